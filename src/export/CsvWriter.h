#pragma once

#include "export/Reference.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// CSV after RFC 4180, one row per article under a header row, CR LF between
// rows, UTF-8 after a byte-order mark so that spreadsheet programs read the
// accents right. A field holding a comma, a quote or a line break is quoted,
// its quotes doubled; line breaks inside the abstract are kept. A field that
// a spreadsheet would run as a formula (one starting with =, +, -, @, a tab
// or a CR, unless it is a plain number) starts with ' so it shows as text: a
// title from the network must never run. Control characters other than tabs
// and line breaks are written out as the log writes them ("\x1B").
namespace CsvWriter {
QStringList header();
QByteArray write(const QList<Reference> &references);
// One field as it stands in the file.
QString quoted(const QString &field);
} // namespace CsvWriter
