#pragma once

#include "library/LibraryStore.h"
#include "review/Review.h"
#include "review/ReviewDuplicates.h"
#include "review/ReviewRecord.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

class QSqlQuery;

// The reviews kept in the user's library: their sources and records, the
// merges of duplicates (each recorded, each undoable) and every screening
// decision. Each decision is committed as it is made, so that a killed
// program loses none; an import and a deduplication are one transaction
// each. Every method that fails returns an empty value and leaves error() set.
class ReviewStore
{
public:
    explicit ReviewStore(LibraryStore &library) : m_library(library) {}

    const QString &error() const { return m_error; }

    std::optional<qint64> createReview(const Review &review);
    // Name, question, criteria, reasons and highlight words of review.id.
    bool updateReview(const Review &review);
    bool deleteReview(qint64 id);
    // By name.
    std::optional<QList<Review>> reviews();
    // Fails with ReviewMessages::noSuchReview() for a name not in use.
    std::optional<Review> review(const QString &name);

    // The source and all its records, or nothing; returns the source's id.
    std::optional<qint64> addSource(qint64 review, ReviewSource source, const ReviewRecords &records);
    std::optional<QList<ReviewSource>> sources(qint64 review);
    // New fields of stored records (completed from PubMed), all in one transaction.
    bool updateRecords(qint64 review, const ReviewRecords &records);
    // The records that stand for themselves (merged ones too with `withMerged`), in the order added.
    std::optional<ReviewRecords> records(qint64 review, bool withMerged = false);
    // For each record standing for itself, the databases of the records merged into it and its own.
    std::optional<QHash<qint64, QStringList>> foundIn(qint64 review);

    // All merges land or none; a merge whose two records hold different
    // PMIDs or DOIs is refused.
    bool merge(qint64 review, const QList<ReviewDuplicates::Merge> &merges, const QString &who);
    // Merges made elsewhere (a shared review), each with its own who and when, under the same rules.
    bool addMerges(qint64 review, const QList<ReviewMerge> &merges);
    // The merges in force, oldest first.
    std::optional<QList<ReviewMerge>> merges(qint64 review);
    // The merged record stands for itself again.
    bool undoMerge(qint64 review, qint64 mergeId);
    // The user judged the two records distinct: the pair is not offered again.
    bool markDistinct(qint64 review, qint64 first, qint64 second);
    std::optional<QList<QPair<qint64, qint64>>> distinctPairs(qint64 review);

    // Committed at once; with Sync::Later safe from a kill on return and on
    // the disk after syncDecisions(), so that the screener need not wait for it.
    bool decide(qint64 review, const ScreeningDecision &decision, LibraryStore::Sync sync = LibraryStore::Sync::Now);
    bool syncDecisions();
    // Decisions made elsewhere (a shared review, a second screener), all in one transaction.
    bool addDecisions(qint64 review, const QList<ScreeningDecision> &decisions,
                      LibraryStore::Sync sync = LibraryStore::Sync::Now);
    // Takes back `who`'s newest decision at `stage`; returns the record it was on.
    std::optional<qint64> undoDecision(qint64 review, ScreeningStage stage, const QString &who);
    // Each record's newest decision at `stage`, by `who` or (when empty) by anyone.
    std::optional<QHash<qint64, ScreeningDecision>> decisions(qint64 review, ScreeningStage stage, const QString &who = {});
    // Everyone who decided at `stage`.
    std::optional<QStringList> screeners(qint64 review, ScreeningStage stage);

private:
    bool write(const std::function<bool(QSqlQuery &)> &change, LibraryStore::Sync sync = LibraryStore::Sync::Now);
    // Runs a query with `values` bound and hands each row to `row`.
    bool each(const QString &sql, const QVariantList &values, const std::function<void(const QSqlQuery &)> &row);
    bool fail(const QString &message);

    LibraryStore &m_library;
    QString m_error;
};
