#pragma once

#include "review/Review.h"
#include "review/ReviewRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// The counts of a PRISMA 2020 flow diagram, each computed from what the
// review holds: its sources, merges and each record's newest decision per stage.
// A Maybe at title and abstract goes on to the full text; an exclusion at
// the full text for ReviewMessages::notRetrieved() counts a report not retrieved.
struct PrismaCounts
{
    QList<QPair<QString, qint64>> identified; // per database or register, in the order added
    qint64 duplicatesRemoved = 0;
    qint64 screened = 0;
    qint64 excludedScreening = 0;
    qint64 awaitingScreening = 0;
    qint64 sought = 0;
    qint64 notRetrieved = 0;
    qint64 assessed = 0;
    QList<QPair<QString, qint64>> excludedReports; // per reason, in the review's order, then others
    qint64 awaitingAssessment = 0;
    qint64 included = 0;

    qint64 identifiedTotal() const;

    static PrismaCounts compute(const Review &review, const QList<ReviewSource> &sources, qint64 merges,
                                const ReviewRecords &standing,
                                const QHash<qint64, ScreeningDecision> &titleAbstract,
                                const QHash<qint64, ScreeningDecision> &fullText);

    // "Box,Count" rows, one per count of the diagram.
    QByteArray csv() const;
};
