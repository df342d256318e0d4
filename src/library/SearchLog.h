#pragma once

#include "library/HistoryEntry.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// The search history written out as a search log, for the methods section
// or appendix of a review: one row per result set, in the order given.
namespace SearchLog {
// "Number", "Date", "Query", "Effective query", "Sort", "Results", "Translation", "Warnings"
QStringList header();
// CSV as the article exports write it (src/export/CsvWriter).
QByteArray csv(const QList<HistoryEntry> &entries);
// Headed by the database searched and the range of dates, then a table
// whose cells keep pipes and line breaks from breaking it.
QByteArray markdown(const QList<HistoryEntry> &entries);
// One array of objects; a result set with no answer has a null count.
QByteArray json(const QList<HistoryEntry> &entries);
// One cell of a Markdown table, its text shown as it is.
QString markdownCell(const QString &text);
} // namespace SearchLog
