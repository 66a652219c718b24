#pragma once
// What the six panes have in common: the forwarding menu bar, SetMenusEnabled, the shared font,
// the position in twips inside the main window and its settings keys, and the popup helper.

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "panes/PaneHost.h"
#include "panes/MainMenus.h"

#include <QRectF>
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <string>

class QAction;
class QListWidget;
class QMdiSubWindow;
class QMenu;

namespace qb::engine {
struct Options;
}

namespace qb::panes {

// Texts of the program's own and of the shared message tables, asked for by their names
// (ProgramText and SharedText).
QString Msg(int code);
QString Shared(int code);

// The folder the panes fall back on: the process's working folder, or, when no drive covers it,
// the current folder of the current drive.
QString FallbackFolder();

// Marks every item of a list box selected, or none.
void SetAllSelected(QListWidget* list, bool selected);

// The picture buttons below the subfolder and target lists, in twips.
inline constexpr double kButtonWidth = 495;
inline constexpr double kButtonHeight = 375;

class PaneBase : public QWidget, public MenuHandlers {
    Q_OBJECT
public:
    // positionPrefix names the pane's position keys ("InDir" gives InDir_Left ...). options:
    // the program's, for the tooltip switch, the shared font and whether panes follow the main
    // window's size; they outlive the pane.
    PaneBase(PaneHost* host, const engine::Options& options, const char* objectName,
             const char* positionPrefix, QWidget* parent = nullptr);

    // The pane's menu bar; the main window shows it while the pane is active.
    const MainMenus& Menus() const { return m_menus; }
    void SetMenusEnabled(bool enabled);

    virtual void SetFontData() = 0;
    virtual void SetToolTip(bool on) = 0;

    // Position and size of the pane's window inside the main window's client area, in twips.
    QRectF TwipsGeometry() const;
    void MoveTwips(double left, double top, double width, double height);

    // Reads the four position keys (defaults: the current values) unless the panes follow the
    // main window; writes them back at unload under the rules for saving positions.
    void LoadPosition();
    void SavePosition();

    // The designed position, used when nothing is stored.
    void SetDesignedTwips(const QRectF& r) { m_designed = r; }
    QRectF DesignedTwips() const { return m_designed; }

    // The window of the pane inside the multiple-document area (null before it is added).
    QMdiSubWindow* SubWindow() const;

    // The pane's inner size in twips.
    double InnerWidthTwips() const;
    double InnerHeightTwips() const;

    // Forwarding menu handlers: each calls the main window's handler of the same name.
    void ShowAbout() override { m_host->ShowAbout(); }
    void EditInitialSourceFolder() override { m_host->EditInitialSourceFolder(); }
    void EditInitialOutputFolder() override { m_host->EditInitialOutputFolder(); }
    void EditTempFolder() override { m_host->EditTempFolder(); }
    void ExitProgram() override { m_host->ExitProgram(); }
    void EditFont() override { m_host->EditFont(); }
    void OpenHelp() override { m_host->OpenHelp(); }
    void CopyHistory() override { m_host->CopyHistory(); }
    void SaveHistory() override { m_host->SaveHistory(); }
    void CreateFolder() override { m_host->CreateFolder(); }
    void EditOptions() override { m_host->EditOptions(); }
    void OpenJobFile() override { m_host->OpenJobFile(); }
    void SaveJobFile() override { m_host->SaveJobFile(); }
    void SaveJobFileAs() override { m_host->SaveJobFileAs(); }

protected:
    PaneHost* host() const { return m_host; }
    const engine::Options& ProgramOptions() const { return m_options; }

    // Sets the shared font on the pane and the given controls.
    void ApplySharedFont(std::initializer_list<QWidget*> controls);

    // Twips to pixels for the pane's controls.
    int PxX(double twips) const;
    int PxY(double twips) const;
    double TwY(int px) const;

    // The pane's popup menu (named popupMenu), opened by the right button on the pane's free
    // area and on the controls handed to WatchRightButton.
    QMenu* NewPopup();
    QAction* AddPopupItem(const char* name, std::function<void()> handler);
    void WatchRightButton(QWidget* watched);
    virtual void ShowPopupAt(const QPoint& globalPos);

    // Puts a list at 60, 60 filling the pane within a margin of 60 twips, leaving room below it
    // for a row of buttons of the given height (none when 0). Returns the top of that row in
    // twips, or a negative value when the pane is too narrow to lay out.
    double LayOutList(QWidget* list, double buttonHeight = 0);

    // The pane's own layout, run whenever it changes size and after a font change.
    virtual void LayOutControls() { }
    void resizeEvent(QResizeEvent* event) override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::string key(const char* suffix) const;
    QRectF ToTwips(const QRect& g) const;

    PaneHost* m_host;
    const engine::Options& m_options;
    std::string m_prefix;
    MainMenus m_menus;
    QMenu* m_popup = nullptr;
    QRectF m_designed{0, 0, 4000, 2000};
    // The pane's window's last place while it was neither minimised nor maximised: what is
    // saved at unload, so a pane closed as an icon or filling the area comes back as it was.
    QRect m_normalGeometry;
};

}  // namespace qb::panes
