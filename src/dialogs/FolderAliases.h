#pragma once
// The folder aliases of one folder pane: up to ten named folders, shown as entries at the end
// of the pane's popup menu. The pane owns one FolderAliases, hands it its popup menu once, and
// tells it how to read and change the folder it shows; the alias entries, the "add" and
// "maintenance" entries and their enabled states are handled here.
//
// Settings keys: <Dir_In|Dir_Out>_DirName0..9 and _DirDir0..9; unused slots are saved as "".

#include <QString>

#include <array>
#include <functional>
#include <string>

class QAction;
class QMenu;
class QWidget;
class FolderAliasDialog;

class FolderAliases {
public:
    static constexpr int kMax = 10;
    enum class Pane { SourceFolder, OutputFolder };  // SourceFolderPane or OutputFolderPane

    // owner: the pane (parent of the input and message boxes).
    // currentFolder: the pane's Folder (read), in its on-disk form.
    // setCurrentFolder: the pane's Folder (write), used when an alias entry is chosen.
    FolderAliases(Pane pane, QWidget* owner, std::function<QString()> currentFolder,
                  std::function<void(const QString&)> setCurrentFolder);

    // The single maintenance dialog of the program (owned by the main window).
    void SetMaintenanceDialog(FolderAliasDialog* dialog) { m_folderAliasDialog = dialog; }

    // Appends AddAliasAction, EditAliasesAction, the separator AliasSeparator and AliasAction(0..9) to the pane's popup,
    // with their captions. Call once, after copyToOtherAction and refreshAction were added.
    void AddToMenu(QMenu* popup);

    // Reads the twenty keys from the given settings application (the one the pane's probe
    // chose); an empty name or folder ends the list there.
    void Load(const std::string& app);
    // Writes all twenty keys to the current location, "" into the unused slots.
    void Save() const;

    int AliasLast() const { return m_last; }
    QString AliasName(int i) const;
    QString AliasDir(int i) const;

    // The popup entries' handlers (also callable directly).
    void AddAlias();
    void EditAliases();
    void GoToAlias(int index);

    QAction* AddAliasAction() const { return m_add; }
    QAction* EditAliasesAction() const { return m_editAliasesAction; }
    QAction* AliasSeparator() const { return m_bar; }
    QAction* AliasAction(int i) const;

private:
    std::string keyPrefix() const;
    QString paneTitle() const;
    void syncMenu();

    Pane m_pane;
    QWidget* m_owner;
    std::function<QString()> m_currentFolder;
    std::function<void(const QString&)> m_setCurrentFolder;
    FolderAliasDialog* m_folderAliasDialog = nullptr;

    std::array<QString, kMax> m_name;
    std::array<QString, kMax> m_dir;
    int m_last = -1;

    QAction* m_add = nullptr;
    QAction* m_editAliasesAction = nullptr;
    QAction* m_bar = nullptr;
    std::array<QAction*, kMax> m_entries{};
};
