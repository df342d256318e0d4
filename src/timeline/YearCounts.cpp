#include "timeline/YearCounts.h"

#include <QStringList>

namespace {
const QString kQueryLead = QStringLiteral("Search query: ");
const QString kHeader = QStringLiteral("Year,Count");
} // namespace

namespace YearCountsCsv {

QString write(const YearCounts &counts, const QString &query)
{
    QString text;
    if (!query.isEmpty())
        text += kQueryLead + QString(query).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QLatin1Char('\n');
    text += kHeader + QLatin1Char('\n');
    for (auto year = counts.cend(); year != counts.cbegin();) {
        --year;
        if (year.value() > 0)
            text += QStringLiteral("%1,%2\n").arg(year.key()).arg(year.value());
    }
    return text;
}

std::optional<YearCounts> read(const QString &text)
{
    YearCounts counts;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(kQueryLead.trimmed()) || trimmed == kHeader)
            continue;
        bool yearOk = false;
        bool countOk = false;
        const int year = trimmed.section(QLatin1Char(','), 0, 0).toInt(&yearOk);
        const qint64 count = trimmed.section(QLatin1Char(','), 1).toLongLong(&countOk);
        if (!yearOk || !countOk || count < 0)
            return std::nullopt;
        counts.insert(year, count);
    }
    return counts;
}

} // namespace YearCountsCsv

YearSpread YearSpread::of(const YearCounts &counts)
{
    YearSpread spread;
    for (auto year = counts.cbegin(); year != counts.cend(); ++year) {
        if (year.value() <= 0)
            continue;
        if (spread.total == 0)
            spread.first = year.key();
        spread.last = year.key();
        spread.total += year.value();
    }
    return spread;
}
