#pragma once

#include "citations/RichText.h"

#include <QString>

class QTextEdit;

// Shows rich text in a text view without reading anything as markup: each
// run's characters go in as characters, with its styles (italics, bold,
// superscript, subscript) and its link, so text from the network can never
// turn into markup, however it looks. A non-empty `warning` comes first, on a
// line of its own, in bold red.
void showRichText(QTextEdit *view, const RichText &text, const QString &warning = {});
