#pragma once
// The archive output folder pane: the packing run writes its archives into this pane's folder.
// Its title shows the free space of the file system that receives them.

#include "panes/FolderPane.h"

class OutputFolderPane : public qb::panes::FolderPane {
    Q_OBJECT
public:
    OutputFolderPane(PaneHost* host, const qb::engine::Options& options, QWidget* parent = nullptr);

protected:
    void FolderChanged() override { ShowFolderText(); }
    void SetCaptions() override;
    void SetTipTexts(bool on) override;
    void ShowFolderText() override;
};
