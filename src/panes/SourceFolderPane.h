#pragma once
// The source-holding folder pane: the folder whose subfolders are to be packed. Every change of
// its folder is pushed to the subfolder list at once.

#include "panes/FolderPane.h"

class SourceFolderPane : public qb::panes::FolderPane {
    Q_OBJECT
public:
    explicit SourceFolderPane(PaneHost* host, QWidget* parent = nullptr);

protected:
    void FolderChanged() override;
    FolderPane* OtherPane() const override;
    void SetCaptions() override;
    void SetTipTexts(bool on) override;
};
