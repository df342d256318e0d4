#include "library/HistoryExpansion.h"

#include "library/HistoryMessages.h"

namespace HistoryExpansion {
namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Calls `found(start, length, number)` for each reference, in order; stops
// when it returns false.
template<typename Found>
void forEachReference(const QString &query, Found found)
{
    bool inPhrase = false;
    for (qsizetype i = 0; i < query.size(); ++i) {
        const QChar c = query.at(i);
        if (c == QLatin1Char('"')) {
            inPhrase = !inPhrase;
            continue;
        }
        if (inPhrase || c != QLatin1Char('#') || (i > 0 && isWordChar(query.at(i - 1))))
            continue;
        qsizetype end = i + 1;
        while (end < query.size() && query.at(end).isDigit() && query.at(end).unicode() < 128)
            ++end;
        if (end == i + 1 || (end < query.size() && isWordChar(query.at(end))))
            continue;
        bool valid = false;
        const qint64 number = QStringView(query).sliced(i + 1, end - i - 1).toLongLong(&valid);
        if (valid && !found(i, end - i, number))
            return;
        i = end - 1;
    }
}

} // namespace

Result expand(const QString &query, const Lookup &lookup)
{
    Result result;
    qsizetype copied = 0;
    forEachReference(query, [&](qsizetype start, qsizetype length, qint64 number) {
        const std::optional<HistoryEntry> entry = lookup(number);
        if (!entry || entry->isLinkSet()) {
            result.error = entry ? HistoryMessages::notAQuery(number) : HistoryMessages::noSuchSearch(number);
            return false;
        }
        result.query += QStringView(query).sliced(copied, start - copied);
        result.query += QLatin1Char('(') + entry->effectiveQuery + QLatin1Char(')');
        copied = start + length;
        return true;
    });
    if (!result.ok()) {
        result.query.clear();
        return result;
    }
    result.query += QStringView(query).sliced(copied);
    return result;
}

bool refersToHistory(const QString &query)
{
    bool found = false;
    forEachReference(query, [&](qsizetype, qsizetype, qint64) { return !(found = true); });
    return found;
}

QString combination(const QList<qint64> &numbers, Operator op)
{
    static const char *const names[] = {" AND ", " OR ", " NOT "};
    QStringList references;
    for (const qint64 number : numbers)
        references.append(QLatin1Char('#') + QString::number(number));
    return references.join(QLatin1String(names[int(op)]));
}

} // namespace HistoryExpansion
