#pragma once
// The list of history lines. It behaves as a plain list box of text lines with a current line,
// but it is built on a one-column table: a list view lays out every line again whenever one is
// added, which makes a history of 30,000 lines take minutes, while a table with rows of one fixed
// height adds a line in microseconds.

#include <QString>
#include <QTableWidget>

namespace qb::panes {

class HistoryList : public QTableWidget {
    Q_OBJECT
public:
    explicit HistoryList(QWidget* parent = nullptr);

    int count() const { return rowCount(); }
    QString text(int row) const;
    void addLine(const QString& text);
    void removeFirst();
    void clearLines() { setRowCount(0); }

    // The current line (-1 when none). Making a line current scrolls to it but does not select.
    void setCurrentRow(int row);

    // Row height follows the font.
    void FitRowsToFont();
};

}  // namespace qb::panes
