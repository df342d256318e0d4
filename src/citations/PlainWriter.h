#pragma once

#include "citations/RichText.h"

#include <QString>

namespace PlainWriter {
// The characters of `text` alone, for receivers that take plain text only.
inline QString write(const RichText &text)
{
    return text.toPlainText();
}
} // namespace PlainWriter
