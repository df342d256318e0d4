#pragma once

#include "library/HistoryEntry.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// PubMed's history syntax: "#n" in a query stands for the effective query of
// result set n, in parentheses. A "#n" inside a quoted phrase is the
// phrase's own text and stays as it is, as does one glued to a word ("C#1")
// or to more word characters ("#1a").
namespace HistoryExpansion {
// The entry numbered n, or none when the history has no such entry.
using Lookup = std::function<std::optional<HistoryEntry>(qint64 number)>;

struct Result
{
    QString query;
    QString error; // in words; the query is empty then
    bool ok() const { return error.isEmpty(); }
};

// `query` with every reference replaced, or the first reference that
// cannot be: an unknown number or a set of linked articles.
Result expand(const QString &query, const Lookup &lookup);
// Whether `query` holds a reference at all.
bool refersToHistory(const QString &query);

enum class Operator { And, Or, Not };
// "#3 AND #5": the query combining the entries, in the order given.
QString combination(const QList<qint64> &numbers, Operator op);
} // namespace HistoryExpansion
