#include "entrez/SortOrder.h"

#include <array>

namespace {

struct SortOrderRow
{
    SortOrder order;
    const char *name;
    const char *label;
    const char *parameter;
};

// In the order the window offers them.
constexpr std::array<SortOrderRow, 5> kRows{{
    {SortOrder::Recent, "recent", "Most recent", ""},
    {SortOrder::Relevance, "relevance", "Best match", "relevance"},
    {SortOrder::PubDate, "pub_date", "Publication date", "pub_date"},
    {SortOrder::Author, "author", "First author", "Author"},
    {SortOrder::Journal, "journal", "Journal", "JournalName"},
}};

const SortOrderRow &rowOf(SortOrder order)
{
    for (const SortOrderRow &row : kRows) {
        if (row.order == order)
            return row;
    }
    return kRows.front();
}

} // namespace

namespace SortOrders {

QList<SortOrder> all()
{
    QList<SortOrder> orders;
    for (const SortOrderRow &row : kRows)
        orders.append(row.order);
    return orders;
}

QString name(SortOrder order)
{
    return QLatin1String(rowOf(order).name);
}

QStringList names()
{
    QStringList list;
    for (const SortOrderRow &row : kRows)
        list.append(QLatin1String(row.name));
    return list;
}

std::optional<SortOrder> named(const QString &name)
{
    for (const SortOrderRow &row : kRows) {
        if (name == QLatin1String(row.name))
            return row.order;
    }
    return std::nullopt;
}

QString label(SortOrder order)
{
    return QLatin1String(rowOf(order).label);
}

QString parameter(SortOrder order)
{
    return QLatin1String(rowOf(order).parameter);
}

} // namespace SortOrders
