#pragma once

#include "citations/RichText.h"

#include <QString>

// An HTML fragment holding `text`: link runs as <a href="…"> elements, styles
// as <i>, <b>, <sup> and <sub> inside them, text and attribute values escaped,
// line breaks as <br>. Non-ASCII characters
// stay as they are; the caller picks the encoding (UTF-8 everywhere here).
namespace HtmlWriter {
QString write(const RichText &text);
} // namespace HtmlWriter
