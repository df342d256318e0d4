#include "review/PrismaCounts.h"

#include "export/CsvWriter.h"
#include "review/ReviewMessages.h"

#include <numeric>

qint64 PrismaCounts::identifiedTotal() const
{
    return std::accumulate(identified.cbegin(), identified.cend(), qint64(0),
                           [](qint64 sum, const auto &entry) { return sum + entry.second; });
}

PrismaCounts PrismaCounts::compute(const Review &review, const QList<ReviewSource> &sources, qint64 merges,
                                   const ReviewRecords &standing, const QHash<qint64, ScreeningDecision> &titleAbstract,
                                   const QHash<qint64, ScreeningDecision> &fullText)
{
    PrismaCounts c;
    for (const ReviewSource &source : sources) {
        auto it = std::find_if(c.identified.begin(), c.identified.end(),
                               [&](const auto &entry) { return entry.first == source.database; });
        if (it == c.identified.end())
            c.identified.append({source.database, source.count});
        else
            it->second += source.count;
    }
    c.duplicatesRemoved = merges;
    c.screened = standing.size();
    QHash<QString, qint64> reasons;
    for (const ReviewRecord &record : standing) {
        const auto first = titleAbstract.constFind(record.id);
        if (first == titleAbstract.cend()) {
            ++c.awaitingScreening;
            continue;
        }
        if (first->choice == ScreeningChoice::Exclude) {
            ++c.excludedScreening;
            continue;
        }
        ++c.sought;
        const auto second = fullText.constFind(record.id);
        if (second == fullText.cend() || second->choice == ScreeningChoice::Maybe) {
            ++c.awaitingAssessment;
        } else if (second->choice == ScreeningChoice::Include) {
            ++c.included;
        } else if (second->reason == ReviewMessages::notRetrieved()) {
            ++c.notRetrieved;
        } else {
            ++reasons[second->reason];
        }
    }
    c.assessed = c.sought - c.notRetrieved;
    for (const QString &reason : review.reasons) {
        if (reasons.contains(reason))
            c.excludedReports.append({reason, reasons.take(reason)});
    }
    QStringList others = reasons.keys();
    others.sort();
    for (const QString &reason : others)
        c.excludedReports.append({reason.isEmpty() ? PrismaMessages::noReason() : reason, reasons.value(reason)});
    return c;
}

QByteArray PrismaCounts::csv() const
{
    QList<QPair<QString, qint64>> rows;
    for (const auto &[database, count] : identified)
        rows.append({PrismaMessages::identifiedFrom(database), count});
    rows += {{PrismaMessages::duplicatesRemoved(), duplicatesRemoved},
             {PrismaMessages::screened(), screened},
             {PrismaMessages::excluded(), excludedScreening},
             {PrismaMessages::awaitingScreening(), awaitingScreening},
             {PrismaMessages::sought(), sought},
             {PrismaMessages::notRetrieved(), notRetrieved},
             {PrismaMessages::assessed(), assessed}};
    for (const auto &[reason, count] : excludedReports)
        rows.append({PrismaMessages::excludedFor(reason), count});
    rows += {{PrismaMessages::awaitingAssessment(), awaitingAssessment}, {PrismaMessages::included(), included}};
    QString out = QStringLiteral("Box,Count\r\n");
    for (const auto &[box, count] : rows)
        out += CsvWriter::quoted(box) + u',' + QString::number(count) + QStringLiteral("\r\n");
    return out.toUtf8();
}
