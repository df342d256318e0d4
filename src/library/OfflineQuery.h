#pragma once

#include <QString>

// Turns what a user types into an FTS5 query that cannot fail to parse: each
// word becomes a quoted term, all of them required; a word ending in "*" is
// a prefix. Quotes, brackets, colons, NEAR and minus signs lose their meaning.
class OfflineQuery
{
public:
    // Empty when the text holds no word to look for.
    static QString fromUserText(const QString &text);
};
