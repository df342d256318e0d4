#pragma once

#include "citations/RichText.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A strict little RTF reader for checking what our writer produces: ASCII
// only, one top-level group opening with \rtf1 and holding a font table,
// balanced braces, every \uN a signed 16-bit number followed by one fallback
// character, and every field a HYPERLINK with a quoted URL and a result. It
// decodes the document back to characters and link runs; neighbouring runs
// with the same link come back as one.
struct RtfReadResult
{
    QList<RichTextRun> runs;
    QString error; // empty when the document passed every check
};

RtfReadResult readRtf(const QByteArray &rtf);

// `runs` with neighbours of the same link merged, as a reader sees them.
QList<RichTextRun> mergedRuns(const QList<RichTextRun> &runs);
