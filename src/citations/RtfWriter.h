#pragma once

#include "citations/RichText.h"

#include <QByteArray>

// An RTF 1 document holding `text`: pure ASCII, characters outside printable
// ASCII as \uN? escapes (UTF-16 code units, so characters above U+FFFF become
// surrogate pairs), each link run a HYPERLINK field showing the run's text,
// every other run in the document's default font; a styled run is a group
// switching on \i, \b, \super or \sub. A line break ends a paragraph (\par),
// or within a link a line (\line).
namespace RtfWriter {
QByteArray write(const RichText &text);
} // namespace RtfWriter
