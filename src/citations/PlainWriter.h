#pragma once

#include "citations/RichText.h"

#include <QString>

namespace PlainWriter {
// The characters of `text`, for receivers that take plain text only, with
// each superscript in parentheses as NCBI's own plain text has it: 10(-19),
// never "10-19", which reads as a range. Subscripts stand as they are (CO2).
QString write(const RichText &text);
} // namespace PlainWriter
