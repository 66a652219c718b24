#pragma once
// The initial-folder dialog: one folder picked with a drive list and a folder list, optionally
// with an on/off check box. The dialog knows nothing of what the folder is for; the caller sets
// the label, the hints and which parts are offered, writes the folder and flag, shows it and
// reads them back after OK. Edit() does all of that for the three Default menu items.

#include "engine/Options.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QWidget;
class DriveList;
class FolderList;

class InitialFoldersDialog : public QDialog {
    Q_OBJECT
public:
    enum class Use {
        SourceFolder,
        OutputFolder,
        TempFolder
    };  // initialSourceFolderAction, initialOutputFolderAction, tempFolderAction

    // options: the program's, for the font and the tooltip switch.
    explicit InitialFoldersDialog(const qb::engine::Options& options, QWidget* parent = nullptr);

    // Where the popup's copy entries take their folder from: the current folders of the
    // source-holding pane and of the output pane (their Folder).
    std::function<QString()> SourcePaneFolder;
    std::function<QString()> OutputPaneFolder;

    // Properties the caller sets before showing.
    QString folderCaption;
    QString inForceBoxHint;
    QString driveListHint;
    QString folderListHint;
    QString folderPathBoxHint;
    bool offerInForceBox = true;
    bool showFreeSpace = true;
    bool okPressed = false;  // result: closed with okButton

    QString Folder() const;  // on-disk form of the folder shown; "" on error
    void SetFolder(const QString& folder);  // falls back to the working folder
    bool InForce() const;
    void SetInForce(bool inForce);

    void Reload();
    void SetToolTip(bool on);
    void SetFontData();

    // Shows the dialog modally; returns okPressed.
    bool ShowModal();

    // One Default menu item: fills the properties for `use`, shows the folder and flag given,
    // and on OK writes the chosen folder and flag back (the flag stays true for TempFolder).
    // Returns true when OK was pressed; the caller then stores them in the settings memory.
    bool Edit(Use use, QString& folder, bool& inForce);

    // Writes Default_Left/Top/Width/Height; on the close box and at shutdown.
    void SavePosition();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const qb::engine::Options& m_options;
    void PrepareForShowing();
    void ShowFolderText();
    void EnableFolderControls();
    void DriveChanged();
    void FolderChanged();
    void InForceToggled();
    void LayOutControls();
    void showPopup(const QPoint& globalPos);

    QCheckBox* inForceBox = nullptr;
    QLabel* folderLabel = nullptr;
    DriveList* driveList = nullptr;
    FolderList* folderList = nullptr;
    QLineEdit* folderPathBox = nullptr;
    QWidget* buttonPanel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* copySourceAction = nullptr;
    QAction* copyOutputAction = nullptr;
    QAction* copyTempAction = nullptr;
    bool m_loading = true;
};
