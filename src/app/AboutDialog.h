#pragma once
// The about dialog: the program's name and version, a picture, the author's contact lines and
// one row per archiver module found at start-up, with its version, filled from the top.

#include "engine/Options.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // What the rows show; by default the flags and versions found at start-up.
    struct Libraries {
        bool lzhAvailable = false;
        bool zipAvailable = false;
        int lzhVersion = 0;  // UNLHA32.DLL, times 100
        int unzipVersion = 0;  // UNZIP32.DLL
        int zipVersion = 0;  // ZIP32J.DLL
    };
    static Libraries FoundLibraries();

    // options: the program's, for the shared font.
    explicit AboutDialog(const qb::engine::Options& options, QWidget* parent = nullptr);
    AboutDialog(const qb::engine::Options& options, const Libraries& libraries, QWidget* parent);

    void SetFontData();

    // Shows the dialog modally (ShowAbout).
    void ShowModal();
    // Writes About_Left/Top; on the close box and at shutdown.
    void SavePosition();

    // "1.04" for 104, "2.50" for 250, "0.07" for 7.
    static QString FormatLibraryVersion(std::int16_t version);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const qb::engine::Options& m_options;
    void fillRows(const Libraries& libraries);

    QLabel* pictureLabel = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* programNameLabel = nullptr;
    QLabel* versionLabel = nullptr;
    QLabel* authorLabel = nullptr;
    QLineEdit* webAddressLine = nullptr;
    QLineEdit* mailAddressLine = nullptr;
    QLineEdit* authorIdLine = nullptr;
    std::array<QLabel*, 3> moduleLabels{};
    std::array<QLabel*, 3> moduleVersionLabels{};
    QPushButton* okButton = nullptr;
};
