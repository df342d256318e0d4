#pragma once

#include <QString>

// What the history and the saved searches say when something cannot be done.
namespace HistoryMessages {
inline QString noSuchSearch(qint64 number)
{
    return QStringLiteral("There is no search #%1 in the history.").arg(number);
}
inline QString notAQuery(qint64 number)
{
    return QStringLiteral("Search #%1 is a set of linked articles, which PubMed cannot combine with a query.").arg(number);
}
inline QString noSuchSavedSearch(const QString &name)
{
    return QStringLiteral("There is no saved search named \u201c%1\u201d.").arg(name);
}
inline QString savedSearchGone()
{
    return QStringLiteral("The saved search is no longer in the library.");
}
inline QString duplicateName(const QString &name)
{
    return QStringLiteral("There is already a saved search named \u201c%1\u201d.").arg(name);
}
inline QString blankName()
{
    return QStringLiteral("A saved search needs a name.");
}
inline QString blankQuery()
{
    return QStringLiteral("A saved search needs a query.");
}
inline QString tooManyNew(qint64 count, qint64 limit)
{
    return QStringLiteral("%1 new matches since the last check, more than the %2 one check reads; narrow the search. "
                          "The next check will find them again.")
        .arg(count)
        .arg(limit);
}
} // namespace HistoryMessages
