#pragma once

#include <QString>

// Text that did not come from the program itself (anything from the network,
// any preference value) must never be read as markup: an <img> in a server's
// reason phrase would make the widget open and draw a local file, and any
// HTML could fake the interface. Labels that show such text use
// Qt::PlainText. Widgets that always take rich text, or guess from the text
// (tool tips, a message box's informative text), and rich views that mix it
// with their own markup get it through this helper.

// Rich text that shows `text` literally: markup characters escaped, line
// breaks kept, and always recognised as rich text, so escaped characters are
// never shown as entity names either.
QString literalRichText(const QString &text);
