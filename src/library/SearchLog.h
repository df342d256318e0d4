#pragma once

#include "library/HistoryEntry.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

// The search history written out as a search log, for the methods section
// or appendix of a review: one row per result set, in the order given.
namespace SearchLog {
enum class Format { Csv, Markdown, Json };

// Hands each entry of the log to its argument, in the log's order; false
// when they could not all be read.
using Entries = std::function<bool(const std::function<void(const HistoryEntry &)> &each)>;
// Takes the next bytes of the log; false when they could not be written.
using Sink = std::function<bool(const QByteArray &bytes)>;

// Writes the log a row at a time, as `entries` hands them over, so that the
// log of a long history is never whole in memory. A Markdown log names its
// range of dates before its rows: it asks for the entries twice. False when
// reading or writing failed.
bool write(Format format, const Entries &entries, const Sink &sink);

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
