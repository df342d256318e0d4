#pragma once

#include <QString>

#include <optional>

// Turns what a user types into an FTS5 query that cannot fail to parse: each
// word becomes a quoted term, all of them required; a word ending in "*" is
// a prefix. Quotes, brackets, colons, NEAR and minus signs lose their meaning.
class OfflineQuery
{
public:
    // Each word is a lookup in the index and a phrase the ranking reads for
    // every match: a text pasted by mistake must not hold the search up.
    static constexpr int kMaxWords = 64;

    // Empty when the text holds no word to look for; none when it holds more
    // than kMaxWords.
    static std::optional<QString> fromUserText(const QString &text);
};
