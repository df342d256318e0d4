#pragma once

#include "citations/RichText.h"

#include <QByteArray>
#include <QString>

// A strict little RTF reader for checking what our writer produces: one
// top-level group opening with \rtf1 and a font table, balanced braces,
// nothing but blanks after the last one, ASCII only, every \uN within 16 bits
// and followed by its fallback character, and every field a HYPERLINK with a
// quoted URL and a result. It decodes the document back to characters and
// link runs; neighbouring runs with the same link come back as one.
struct RtfReadResult
{
    RichText text;
    QString error; // empty when the document passed every check
};

RtfReadResult readRtf(const QByteArray &rtf);

// `text` with neighbouring runs of the same link merged, as a reader of any
// rich-text format sees it.
RichText mergedRuns(const RichText &text);
