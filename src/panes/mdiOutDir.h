#pragma once
// The archive output folder pane: the packing run writes its archives into this pane's folder.
// Its title shows the free space of the file system that receives them.

#include "panes/FolderPane.h"

class mdiOutDir : public qb::panes::FolderPane {
    Q_OBJECT
public:
    explicit mdiOutDir(FormHost* host, QWidget* parent = nullptr);

protected:
    void dlbDir_Change() override { ShowFolderText(); }
    FolderPane* OtherPane() const override;
    void SetCaptions() override;
    void SetTipTexts(bool on) override;
    void ShowFolderText() override;
};
