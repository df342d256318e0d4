#pragma once

#include "library/HistoryEntry.h"
#include "library/HistoryFilter.h"

#include <QAbstractTableModel>
#include <QList>

// The search history as the history window shows it: one row per result
// set, newest first, narrowed to those matching the filter text. Every text
// is shown as it is: the model hands out plain strings only.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, Date, Query, EffectiveQuery, Sort, Results, Translation, ColumnCount };

    explicit HistoryTableModel(QObject *parent = nullptr);

    // All entries, newest first; the filter text stays.
    void setEntries(QList<HistoryEntry> entries);
    void setFilterText(const QString &text);
    const QString &filterText() const { return m_filterText; }

    // The entry shown in `row`.
    const HistoryEntry &entryAt(int row) const { return m_entries.at(m_shown.at(row)); }
    qsizetype entryCount() const { return m_entries.size(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(const HistoryEntry &entry, int column) const;

    QList<HistoryEntry> m_entries;
    HistoryFilter m_filter;
    QString m_filterText;
    // Positions in m_entries of the rows shown.
    QList<qsizetype> m_shown;
};
