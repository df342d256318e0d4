#pragma once

#include <QTableView>

class AppController;

// The result table. Copy (Ctrl+C, Edit > Copy) and dragging rows out of it
// both hand the citations of rows to the controller's export; rows are only
// ever copied, never moved.
class KebNSTableView : public QTableView
{
    Q_OBJECT

public:
    explicit KebNSTableView(QWidget *parent = nullptr);

    AppController *myController = nullptr;

    // Selected rows in ascending order.
    QList<int> selectedRowIndexes() const;
    // The row under the last double-click, -1 when it hit no row.
    int clickedRow() const { return m_clickedRow; }

public slots:
    void copy();

signals:
    void doubleAction();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int m_clickedRow = -1;
    QList<int> m_rowsBeforePress;
};
