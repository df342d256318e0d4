#pragma once

#include <QString>
#include <QStringList>

// What the review's actions tell the user, in one place for the window and the command line.
namespace ReviewMessages {

inline QString badLine(int line, const QString &what)
{
    return QStringLiteral("Line %1: %2 Nothing was imported.").arg(line).arg(what);
}
inline QString risOutsideRecord() { return QStringLiteral("this line is outside a record (a record starts with \"TY  - \")."); }
inline QString risUnclosed(int opened)
{
    return QStringLiteral("the record that starts on line %1 has no end (\"ER  - \").").arg(opened);
}
inline QString medlineNoTag() { return QStringLiteral("this line has no MEDLINE tag (\"TI  - \") and continues no field."); }
inline QString bibtexNoBrace() { return QStringLiteral("an entry must open with { after its type."); }
inline QString bibtexUnclosed(int opened) { return QStringLiteral("the entry that starts on line %1 is not closed.").arg(opened); }
inline QString bibtexNoValue() { return QStringLiteral("a field must be written name = value."); }
inline QString csvUnclosedQuote() { return QStringLiteral("a quoted field is never closed."); }
inline QString csvNoHeader() { return QStringLiteral("the first row must name the columns, one of them Title."); }
inline QString csvTooManyFields(qsizetype header)
{
    return QStringLiteral("this row has more fields than the %1 columns of the header.").arg(header);
}
inline QString noRecords() { return QStringLiteral("the file holds no record."); }
inline QString unknownFormat() { return QStringLiteral("Use a RIS, MEDLINE (.nbib), BibTeX (.bib) or CSV file."); }

inline QString noSuchReview(const QString &name) { return QStringLiteral("There is no review named \"%1\".").arg(name); }
inline QString nameTaken(const QString &name) { return QStringLiteral("A review named \"%1\" exists already.").arg(name); }
inline QString emptyName() { return QStringLiteral("A review needs a name."); }
inline QString noSuchRecord() { return QStringLiteral("The record is no longer in the review."); }
inline QString identifiersDiffer() { return QStringLiteral("Records with different PMIDs or DOIs are never merged."); }
inline QString badReviewFile() { return QStringLiteral("The file is not a Vexmoor review."); }

inline QString imported(qsizetype count, const QString &database)
{
    return (count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count))
           + QStringLiteral(" imported from ") + database;
}
// Two screeners' agreement at title and abstract.
inline QString agreement(const QString &first, const QString &second, double kappa, qsizetype disagreements)
{
    return QStringLiteral("%1 and %2: Cohen's kappa %3, %4 disagreements").arg(first, second).arg(kappa, 0, 'f', 2).arg(disagreements);
}
inline QString decisionsImported(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 decision imported") : QStringLiteral("%1 decisions imported").arg(count);
}
inline QString deduplicated(qsizetype merged, qsizetype uncertain)
{
    return QStringLiteral("%1 duplicates merged, %2 uncertain pairs to check").arg(merged).arg(uncertain);
}

inline QString foundIn(const QStringList &databases) { return QStringLiteral("Found in: ") + databases.join(QStringLiteral(", ")); }

// Why two records were taken for one.
inline QString samePmid() { return QStringLiteral("same PMID"); }
inline QString sameDoi() { return QStringLiteral("same DOI"); }
inline QString sameTitleYearPage() { return QStringLiteral("same title, year and first page"); }
inline QString sameTitleYearAuthor() { return QStringLiteral("same title, year and first author"); }
inline QString confirmedByUser() { return QStringLiteral("confirmed by the user"); }
inline QString similarTitle() { return QStringLiteral("similar title; year, page or author differ"); }

// The stages and decisions as the user reads them.
inline QString titleAbstractStage() { return QStringLiteral("Title and abstract"); }
inline QString fullTextStage() { return QStringLiteral("Full text"); }
inline QString include() { return QStringLiteral("Include"); }
inline QString exclude() { return QStringLiteral("Exclude"); }
inline QString maybe() { return QStringLiteral("Maybe"); }
// The full-text reason that counts a report as not retrieved.
inline QString notRetrieved() { return QStringLiteral("Report not retrieved"); }

inline QStringList defaultReasons()
{
    return {QStringLiteral("Wrong population"), QStringLiteral("Wrong intervention"),
            QStringLiteral("Wrong study design"), QStringLiteral("Not primary research"),
            QStringLiteral("Wrong outcome")};
}

} // namespace ReviewMessages

// The words of the PRISMA 2020 flow diagram, for the drawing, the SVG and the CSV alike.
namespace PrismaMessages {
inline QString identification() { return QStringLiteral("Identification"); }
inline QString screening() { return QStringLiteral("Screening"); }
inline QString includedPhase() { return QStringLiteral("Included"); }
inline QString identifiedFrom(const QString &database) { return QStringLiteral("Records identified from %1").arg(database); }
inline QString identifiedHeading() { return QStringLiteral("Records identified from:"); }
inline QString removedHeading() { return QStringLiteral("Records removed before screening:"); }
inline QString duplicatesRemoved() { return QStringLiteral("Duplicate records removed"); }
inline QString screened() { return QStringLiteral("Records screened"); }
inline QString excluded() { return QStringLiteral("Records excluded"); }
inline QString awaitingScreening() { return QStringLiteral("Records awaiting screening"); }
inline QString sought() { return QStringLiteral("Reports sought for retrieval"); }
inline QString notRetrieved() { return QStringLiteral("Reports not retrieved"); }
inline QString assessed() { return QStringLiteral("Reports assessed for eligibility"); }
inline QString excludedHeading() { return QStringLiteral("Reports excluded:"); }
inline QString excludedFor(const QString &reason) { return QStringLiteral("Reports excluded: %1").arg(reason); }
inline QString awaitingAssessment() { return QStringLiteral("Reports awaiting assessment"); }
inline QString included() { return QStringLiteral("Studies included in review"); }
inline QString noReason() { return QStringLiteral("No reason given"); }
} // namespace PrismaMessages
