#pragma once

#include "export/Reference.h"

#include <QByteArray>
#include <QList>

// RIS, as reference managers import it: per record "TY  - JOUR" (CHAP, BOOK),
// the tagged fields, "ER  - " and a blank line. A tag is two characters, two
// spaces, a hyphen and a space; lines end in CR LF as the format defines;
// empty fields are left out. UTF-8, no byte-order mark.
namespace RisWriter {
QByteArray write(const QList<Reference> &references);
// One record, ending with its blank line.
QString record(const Reference &reference);
} // namespace RisWriter
