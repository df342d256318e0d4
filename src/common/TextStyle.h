#pragma once

#include <QFlags>

#include <cstdint>

// The inline styles a stretch of text may carry: those PubMed writes into
// titles and abstracts and that a reader must see to read them right (CO₂,
// 10⁻⁶, E. coli), and bold for the labels of a structured abstract. Records
// keep them beside their plain text; rich text carries them on its runs.
enum class TextStyle : uint8_t { Italic = 1, Bold = 2, Superscript = 4, Subscript = 8 };
Q_DECLARE_FLAGS(TextStyles, TextStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TextStyles)
