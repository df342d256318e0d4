#pragma once

#include "library/HistoryEntry.h"
#include "library/HistoryExpansion.h"

#include <QList>
#include <QWidget>

class HistoryTableModel;
class QLineEdit;
class QPushButton;
class QTableView;

// The search history in a window of its own beside the main window: the
// result sets newest first, a filter that narrows them as one types, and
// what can be done with the selected ones. It only shows and asks: every
// command is emitted for its owner to carry out, except copying a query,
// which is the clipboard's affair.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HistoryWindow(QWidget *parent = nullptr);

    // The whole history, newest first; the filter text and, where the rows
    // remain, the selection stay.
    void setEntries(QList<HistoryEntry> entries);
    HistoryTableModel &model() const { return *m_model; }
    // The entries of the selected rows, in the order shown.
    QList<HistoryEntry> selectedEntries() const;
    // Brings the window up with the filter field ready for typing.
    void present();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void searchAgainRequested(const HistoryEntry &entry);
    void deleteRequested(const QList<qint64> &numbers);
    void clearRequested();
    // Two or more query entries, in the order shown.
    void combineRequested(const QList<qint64> &numbers, HistoryExpansion::Operator op);
    // The selected entries, or none for all of them.
    void exportRequested(const QList<qint64> &numbers);

private:
    QPushButton *addButton(const QString &objectName, const QString &text, const QString &accessibleName);
    void updateButtons();
    void copyQueries();
    QList<qint64> selectedNumbers() const;

    HistoryTableModel *m_model;
    QLineEdit *m_filter;
    QTableView *m_table;
    QWidget *m_buttons;
    QPushButton *m_searchAgain = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_delete = nullptr;
    QList<QPushButton *> m_combine;
};
