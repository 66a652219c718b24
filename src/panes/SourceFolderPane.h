#pragma once
// The source-holding folder pane: the folder whose subfolders are to be packed. Every change of
// its folder is announced at once (FolderShown), for the subfolder list to follow.

#include "panes/FolderPane.h"

class SourceFolderPane : public qb::panes::FolderPane {
    Q_OBJECT
public:
    SourceFolderPane(PaneHost* host, const qb::engine::Options& options, QWidget* parent = nullptr);

signals:
    // The pane shows folder now, in the form its folder list reports it.
    void FolderShown(const QString& folder);

protected:
    void FolderChanged() override;
    void SetCaptions() override;
    void SetTipTexts(bool on) override;
};
