#include "HistoryList.h"

#include <QHeaderView>

namespace qb::panes {

HistoryList::HistoryList(QWidget* parent) : QTableWidget(0, 1, parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setAutoScroll(false);
    verticalHeader()->hide();
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    FitRowsToFont();
}

QString HistoryList::text(int row) const
{
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->text() : QString();
}

void HistoryList::addLine(const QString& line)
{
    const int row = rowCount();
    insertRow(row);
    setItem(row, 0, new QTableWidgetItem(line));
}

void HistoryList::removeFirst()
{
    if (rowCount() > 0)
        removeRow(0);
}

void HistoryList::setCurrentRow(int row)
{
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    if (index.isValid())
        scrollTo(index);
}

void HistoryList::FitRowsToFont()
{
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
}

}  // namespace qb::panes
