#pragma once

#include <QString>

// The words of the review windows.
namespace ReviewTexts {
inline QString newReviewAction() { return QStringLiteral("New Re&view\u2026"); }
inline QString dockTitle() { return QStringLiteral("Reviews"); }
inline QString newReviewTitle() { return QStringLiteral("New Review"); }
inline QString name() { return QStringLiteral("Name"); }
inline QString question() { return QStringLiteral("Question"); }
inline QString inclusion() { return QStringLiteral("Inclusion criteria"); }
inline QString exclusion() { return QStringLiteral("Exclusion criteria"); }
inline QString reasons() { return QStringLiteral("Exclusion reasons, one per line"); }
inline QString highlights() { return QStringLiteral("Words to highlight, one per line"); }
inline QString workspaceTitle(const QString &review) { return QStringLiteral("Review: %1").arg(review); }

inline QString identificationTab() { return QStringLiteral("Identification"); }
inline QString duplicatesTab() { return QStringLiteral("Duplicates"); }
inline QString screeningTab() { return QStringLiteral("Screening"); }
inline QString prismaTab() { return QStringLiteral("PRISMA"); }

inline QString importFile() { return QStringLiteral("Import File\u2026"); }
inline QString addCollection() { return QStringLiteral("Add Collection\u2026"); }
inline QString addSearch() { return QStringLiteral("Add Current Search"); }
inline QString completeFromPubmed() { return QStringLiteral("Complete from PubMed"); }
inline QString completing() { return QStringLiteral("Completing the records from PubMed\u2026"); }
inline QString nothingToComplete() { return QStringLiteral("No record has a PMID or a DOI to look up."); }
inline QString completed(qsizetype count) { return QStringLiteral("%1 records completed from PubMed").arg(count); }
inline QString importFilter() { return QStringLiteral("Exports (*.ris *.nbib *.txt *.bib *.csv);;All files (*)"); }
inline QString databaseQuestion() { return QStringLiteral("Which database did this file come from?"); }
inline QString collectionQuestion() { return QStringLiteral("Which collection?"); }
inline QString sourceColumns() { return QStringLiteral("Database\tInterface\tDate\tRecords\tStrategy"); }
inline QString noSearch() { return QStringLiteral("The current tab holds no search results."); }

inline QString findDuplicates() { return QStringLiteral("Find Duplicates"); }
inline QString finding() { return QStringLiteral("Looking for duplicates\u2026"); }
inline QString changedMeanwhile() { return QStringLiteral("The records changed while duplicates were sought: find them again."); }
inline QString undoMerge() { return QStringLiteral("Undo Merge"); }
inline QString sameRecord() { return QStringLiteral("Same Article (Y)"); }
inline QString differentRecords() { return QStringLiteral("Different Articles (N)"); }
inline QString mergesLabel() { return QStringLiteral("Merged duplicates (kept \u2190 merged: why)"); }
inline QString uncertainLabel() { return QStringLiteral("Possible duplicates to check"); }

inline QString stage() { return QStringLiteral("Stage"); }
inline QString filter() { return QStringLiteral("Show"); }
inline QString order() { return QStringLiteral("Order"); }
inline QString undecided() { return QStringLiteral("Undecided"); }
inline QString maybes() { return QStringLiteral("Maybe"); }
inline QString allRecords() { return QStringLiteral("All records"); }
inline QString excludedFor(const QString &reason) { return QStringLiteral("Excluded: %1").arg(reason); }
inline QString orderAdded() { return QStringLiteral("In the order added"); }
inline QString mostRelevant() { return QStringLiteral("Most likely relevant first"); }
inline QString includeButton() { return QStringLiteral("Include (I)"); }
inline QString excludeButton() { return QStringLiteral("Exclude (E, 1\u20139)"); }
inline QString maybeButton() { return QStringLiteral("Maybe (M)"); }
inline QString undoButton() { return QStringLiteral("Undo (U)"); }
inline QString previousButton() { return QStringLiteral("\u2190 Previous"); }
inline QString nextButton() { return QStringLiteral("Next \u2192"); }
inline QString progress(qsizetype decided, qsizetype total) { return QStringLiteral("%1 of %2 decided").arg(decided).arg(total); }
inline QString nothingToShow() { return QStringLiteral("No record to show here."); }
inline QString decided(const QString &what) { return QStringLiteral("Decided: %1").arg(what); }
inline QString foundIn(const QString &databases) { return QStringLiteral("Found in: %1").arg(databases); }
inline QString noFullText() { return QStringLiteral("No full text is kept for this article."); }

inline QString shareReview() { return QStringLiteral("Share Review…"); }
inline QString importDecisions() { return QStringLiteral("Import a Screener's Decisions…"); }
inline QString importShared() { return QStringLiteral("Import Shared Revie&w…"); }
inline QString reviewFilter() { return QStringLiteral("Vexmoor review (*.vexmoor-review)"); }
inline QString exportDiagram() { return QStringLiteral("Export Diagram\u2026"); }
inline QString exportCounts() { return QStringLiteral("Export Counts (CSV)\u2026"); }
inline QString exportSearches() { return QStringLiteral("Export Search Documentation\u2026"); }
inline QString exportRecords() { return QStringLiteral("Export Records\u2026"); }
inline QString diagramFilter() { return QStringLiteral("SVG (*.svg);;PNG (*.png);;PDF (*.pdf)"); }
inline QString recordsFilter() { return QStringLiteral("RIS (*.ris);;BibTeX (*.bib);;CSV (*.csv)"); }
inline QString written(const QString &path) { return QStringLiteral("Written to %1").arg(path); }
inline QString notWritten(const QString &path, const QString &why) { return QStringLiteral("%1 could not be written: %2").arg(path, why); }
inline QString noLibrary() { return QStringLiteral("Reviews are kept in the library, which could not be opened."); }
} // namespace ReviewTexts
