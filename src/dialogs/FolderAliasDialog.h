#pragma once
// The folder-alias maintenance dialog. One instance serves both folder panes: before each
// showing the pane fills all ten slots with its aliases, and after an OK it reads them back.
// Every edit (rename, up, down, delete, delete all) acts on the dialog's own slots only, so
// Cancel leaves the pane's aliases exactly as they were.
//
// Use from a pane (FolderAliases does this):
//   for i in 0..9: SetAlias(i, name or "", folder or "");
//   ownerTitle = the pane's title;
//   ShowModal();
//   if (okPressed) { last = LastAliasIndex(); GetAlias(i, ...) for i <= last; }

#include "engine/Options.h"

#include <QDialog>
#include <QString>

#include <array>

class QLineEdit;
class QListWidget;
class QPushButton;

class FolderAliasDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 10;

    // options: the program's, for the font and the tooltip switch.
    explicit FolderAliasDialog(const qb::engine::Options& options, QWidget* parent = nullptr);

    // Stores name and folder into a slot; indices outside 0..9 are ignored.
    void SetAlias(int index, const QString& name, const QString& folder);
    // The slot's name and folder while index is a list entry; otherwise two empty texts.
    void GetAlias(int index, QString& name, QString& folder) const;
    // Number of list entries minus one: the pane's new last alias index (-1 when none).
    int LastAliasIndex() const;

    QString ownerTitle;  // the owner pane's title
    bool okPressed = false;  // true when closed with okButton

    void SetToolTip(bool on);
    void SetFontData();

    // Shows the dialog modally; returns okPressed.
    bool ShowModal();
    // Writes MenuMente_Left/Top; called when the dialog is closed with its close box and by
    // the main window at shutdown.
    void SavePosition();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    const qb::engine::Options& m_options;
    void PrepareForShowing();
    void AliasClicked();
    void RenameSelected();
    void MoveSelectedUp();
    void MoveSelectedDown();
    void RemoveSelected();
    void RemoveAll();
    void ApplyAndClose();
    void DiscardAndClose();
    void EnableListControls();
    void ShowSelectedFolder();
    void SwapSlots(int a, int b);

    std::array<QString, kSlots> m_name;
    std::array<QString, kSlots> m_dir;

    QListWidget* aliasList = nullptr;
    QLineEdit* folderPathBox = nullptr;
    QPushButton* renameButton = nullptr;
    QPushButton* moveUpButton = nullptr;
    QPushButton* moveDownButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* removeAllButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};
