#include "KebNSTableView.h"


#include <QKeyEvent>
#include <QMouseEvent>

KebNSTableView::KebNSTableView(QWidget *parent) : QTableView(parent)
{
}

QList<int> KebNSTableView::selectedRowIndexes() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void KebNSTableView::copy()
{
    emit copyRequested(selectedRowIndexes());
}

void KebNSTableView::keyPressEvent(QKeyEvent *event)
{
    // The view's own Copy puts one cell's text on the clipboard; we want citations.
    if (event == QKeySequence::Copy) {
        copy();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        emit returnAction();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void KebNSTableView::mousePressEvent(QMouseEvent *event)
{
    m_rowsBeforePress = selectedRowIndexes();
    QTableView::mousePressEvent(event);
}

void KebNSTableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Only the primary button opens links; a right or middle double-click
    // opens nothing.
    if (event->button() != Qt::LeftButton) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    m_clickedRow = indexAt(event->position().toPoint()).row();
    QTableView::mouseDoubleClickEvent(event);
    // The first click of a double-click narrows a selection to the clicked row;
    // a double-click on one of several selected rows means all of them.
    if (m_clickedRow >= 0 && m_rowsBeforePress.size() > 1 && m_rowsBeforePress.contains(m_clickedRow)) {
        QItemSelection selection;
        for (int row : std::as_const(m_rowsBeforePress))
            selection.select(model()->index(row, 0), model()->index(row, model()->columnCount() - 1));
        selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    emit doubleAction();
}

void KebNSTableView::startDrag(Qt::DropActions supportedActions)
{
    // Whatever the destination asks for, a drag of rows is a copy.
    QTableView::startDrag(supportedActions & Qt::CopyAction);
}
