#pragma once

#include "export/Reference.h"

#include <QByteArray>
#include <QList>

// MEDLINE, the tagged text PubMed sends to citation managers (.nbib): a tag
// left-justified in four columns, "- ", the value; long values wrap at a
// space onto lines indented by six spaces, as NCBI wraps them; a blank line
// ends each record. Tags come in NCBI's order; empty fields are left out.
// UTF-8, line feeds.
namespace MedlineWriter {
// The most text a line holds after its six-column tag or indent.
inline constexpr int kTextWidth = 81;

QByteArray write(const QList<Reference> &references);
QString record(const Reference &reference);
// One tagged field, wrapped, with its line feed.
QString field(const QString &tag, const QString &value);
} // namespace MedlineWriter
