#pragma once

#include <QByteArray>
#include <QList>
#include <QSettings>
#include <Qt>

// How the user left the main window: its frame, the split between the table
// and the views, the table's column widths and its sort. Kept beside the
// preferences; a value that is missing or not of the shape the window needs
// reads as empty, and the window then keeps its own default for it.
struct WindowLayout
{
    // The size and place of the window as QWidget::saveGeometry gives them.
    QByteArray geometry;
    // One size per pane of the splitter, or empty.
    QList<int> splitterSizes;
    // One width per column of the table, or empty.
    QList<int> columnWidths;
    // -1: the table is not sorted.
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;

    // Widths and sizes a window can honour; anything outside is corrupt.
    static constexpr int kMaxLength = 100000;

    // Reads what `settings` hold for a window of `panes` splitter panes and a
    // table of `columns` columns.
    static WindowLayout load(const QSettings &settings, int panes, int columns);
    void save(QSettings &settings) const;
};
