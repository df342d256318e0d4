#pragma once

#include <QString>
#include <QStringList>

// Cuts a pasted reference list into its references, in order:
// - numbered lists ("1.", "1)", "[1]", "(1)" at the start of a line, the
//   numbers rising one by one) give one reference per number, the lines
//   until the next number joined to it;
// - otherwise blocks separated by blank lines give one reference each;
// - otherwise every line is one, except a line indented under the one
//   before it (a hanging indent) or that begins in lower case or with a
//   digit, which continues it.
// The numbers are taken off, also that of a lone reference; a lone heading
// ("References") is left out.
QStringList splitReferences(const QString &text);
