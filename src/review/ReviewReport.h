#pragma once

#include "review/PrismaCounts.h"
#include "review/Review.h"
#include "review/ReviewRecord.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

class ReviewStore;
struct Reference;

// What a review has come to, read from the store once: its records with
// their decisions, the PRISMA counts, the search documentation and the exports.
class ReviewReport
{
public:
    // Which records an export takes.
    enum class Selection { All, Included, FullText, Excluded, Undecided };
    static std::optional<Selection> selectionNamed(const QString &name);
    static QStringList selectionNames();

    // Nothing when the store fails (its error() says why).
    static std::optional<ReviewReport> read(ReviewStore &store, const Review &review);

    const Review &review() const { return m_review; }
    const ReviewRecords &records() const { return m_records; }
    const QList<ReviewSource> &sources() const { return m_sources; }
    PrismaCounts counts() const;
    // The PRISMA-S documentation of the searches: every database, its
    // interface, the strategy as run, the date and the count, in Markdown.
    QString searchDocumentation() const;
    ReviewRecords selected(Selection selection) const;
    // For RIS, BibTeX and CSV: each record with its decisions and reasons in its note.
    QList<Reference> references(const ReviewRecords &records) const;

private:
    Review m_review;
    QList<ReviewSource> m_sources;
    ReviewRecords m_records;
    qint64 m_merges = 0;
    QHash<qint64, QStringList> m_foundIn;
    QHash<qint64, ScreeningDecision> m_titleAbstract, m_fullText;
};

// A record of another database as the export writers take it.
Reference referenceForRecord(const ReviewRecord &record);

// A PubMed article (its Reference) as a record of a review.
ReviewRecord recordFromReference(const Reference &reference);
