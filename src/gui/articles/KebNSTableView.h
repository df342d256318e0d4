#pragma once

#include <QTableView>

// The result table. Copy (Ctrl+C, Edit > Copy) asks for the citations of the
// selected rows; rows dragged out of it are only ever copied, never moved.
// Return does what a double-click does. Tab leaves the table.
class KebNSTableView : public QTableView
{
    Q_OBJECT

public:
    explicit KebNSTableView(QWidget *parent = nullptr);

    // Selected rows in ascending order.
    QList<int> selectedRowIndexes() const;
    // The row under the last double-click, -1 when it hit no row.
    int clickedRow() const { return m_clickedRow; }

public slots:
    void copy();

signals:
    void doubleAction();
    // Return or Enter: open the selected rows, as a double-click on them does.
    void returnAction();
    void copyRequested(const QList<int> &rows);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int m_clickedRow = -1;
    QList<int> m_rowsBeforePress;
};
