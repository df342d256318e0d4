#include "gui/history/HistoryTableModel.h"

#include "entrez/SortOrder.h"

#include <QLocale>

#include <algorithm>

namespace {
const char *const kHeaders[HistoryTableModel::ColumnCount] = {"#", "Date", "Query", "Effective query", "Sort",
                                                              "Results", "Translation"};
} // namespace

HistoryTableModel::HistoryTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::setEntries(QList<HistoryEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_filter = HistoryFilter(m_entries);
    m_shown = m_filter.matching(m_filterText);
    endResetModel();
}

void HistoryTableModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    // Not a reset: the selection and the current row stay on their entries
    // while those are shown, and the view keeps its place.
    emit layoutAboutToBeChanged();
    m_filterText = text;
    const QList<qsizetype> shown = m_filter.matching(text);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before) {
        const qsizetype entry = m_shown.value(index.row(), -1);
        const auto at = std::lower_bound(shown.cbegin(), shown.cend(), entry);
        // createIndex: index() would check the row against the old count.
        after.append(at != shown.cend() && *at == entry ? createIndex(int(at - shown.cbegin()), index.column()) : QModelIndex());
    }
    m_shown = shown;
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const HistoryEntry &entry = entryAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return text(entry, index.column());
    case Qt::TextAlignmentRole:
        return index.column() == Number || index.column() == Results
            ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount
        || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kHeaders[section]);
}

QString HistoryTableModel::text(const HistoryEntry &entry, int column) const
{
    switch (column) {
    case Number:
        return QString::number(entry.number);
    case Date:
        return QLocale().toString(entry.started, QLocale::ShortFormat);
    case Query:
        return entry.query();
    case EffectiveQuery:
        return entry.effectiveQuery;
    case Sort:
        return entry.isLinkSet() ? QString() : SortOrders::label(entry.source.sort);
    case Results:
        return entry.resultCount ? QLocale().toString(*entry.resultCount) : QString();
    case Translation:
        return entry.translation;
    }
    return {};
}
