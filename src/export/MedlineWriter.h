#pragma once

#include "export/Reference.h"

#include <QByteArray>
#include <QList>

// MEDLINE, the tagged text PubMed sends to citation managers (.nbib): a tag
// left-justified in four columns, "- ", the value; long values wrap at a
// space onto lines indented by six spaces; a blank line ends each record.
// Empty fields are left out. UTF-8, line feeds.
namespace MedlineWriter {
inline constexpr int kLineWidth = 88;

QByteArray write(const QList<Reference> &references);
QString record(const Reference &reference);
// One tagged field, wrapped, with its line feed.
QString field(const QString &tag, const QString &value);
} // namespace MedlineWriter
