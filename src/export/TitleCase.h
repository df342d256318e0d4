#pragma once

#include <QBitArray>
#include <QString>

// The text in headline-style title case, as the MLA Handbook sets titles:
// each word capitalised except articles, coordinating conjunctions,
// prepositions and the "to" of an infinitive, which are lower case unless
// they come first, last, after a colon or at the end of a hyphenated word
// ("Follow-Up"). The parts of a hyphenated word are words of their own. A word already in capitals or with capitals inside it
// ("DNA", "mRNA", "pH"), with a digit in it ("p53", "3D") or starting with a
// letter of another script than Latin ("α") stays as it is, and so does every
// character marked in `unchanged` (a species name in italics). The text keeps its length.
QString titleCase(QString text, const QBitArray &unchanged = {});
