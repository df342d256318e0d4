#pragma once

#include "search/QueryBuilder.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// Search > Advanced…: rows of field, term and operator, the query they make
// shown live in PubMed syntax and editable, a search of the history to
// combine by its number, and each row's own count on demand.
class AdvancedSearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AdvancedSearchDialog(QWidget *parent = nullptr);

    // The history to combine, newest first: each search's number and query.
    void setHistory(const QList<std::pair<qint64, QString>> &entries);
    // The count of row `row`, or why there is none.
    void showCount(int row, qint64 count);
    void showCountFailed(int row, const QString &reason);
    QList<QueryBuilder::Row> rows() const;
    QString query() const;
    int rowCount() const { return int(m_rows.size()); }
    // Fills row `row` (added when needed): for tests and for the history's "Add".
    void setRow(int row, const QueryBuilder::Row &value);

signals:
    void searchRequested(const QString &query, bool newTab);
    void queryChosen(const QString &query);
    void countRequested(int row, const QString &clause);

private:
    struct RowWidgets
    {
        QComboBox *op;
        QComboBox *field;
        QLineEdit *term;
        QLineEdit *termTo;
        QToolButton *count;
        QLabel *countLabel;
        QToolButton *remove;
    };
    void addRow();
    void removeRow(int row);
    void layOutRows();
    void showQuery();
    int rowOf(QObject *widget) const;

    QGridLayout *m_grid;
    QList<RowWidgets> m_rows;
    QComboBox *m_history;
    QComboBox *m_historyOp;
    QPlainTextEdit *m_query;
};
