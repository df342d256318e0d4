#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Reads an EFetch answer as its bytes arrive (from a file, standard input or
// the network) and hands on its records while later bytes are still coming:
// the answer is cleaned, repaired, parsed and extracted a piece (a run of
// whole records) at a time, so memory holds a few pieces, not the answer.
//
// The result is exactly that of appendArticlesFromBytes on the whole answer,
// however the bytes are split: a piece is handed on only once no later byte
// can change how its text is cleaned, repaired or parsed. Input that gives no
// such point (no recognisable document element, a comment left open) is held
// until it ends and then read as a whole.
//
// Records reach the sink in document order, one call at a time, on a helper
// thread or on the caller's, within append() and finish().
// They count only when finish() reports records: until the answer has ended,
// its UTF-8, its size and its closing tag are not known to be right.
class EfetchStreamReader
{
public:
    using Sink = std::function<void(ArticleRecord &&record)>;

    // Pieces of about this size keep their trees small and in the cache.
    static constexpr size_t kPieceBytes = size_t(1) << 16;

    // `pieceBytes` is where a piece may end at the earliest; tests make it
    // small to see many cuts in small answers.
    EfetchStreamReader(std::string elinkBase, Sink sink, size_t maxBytes = size_t(kMaxAnswerBytes),
                       size_t pieceBytes = kPieceBytes);
    ~EfetchStreamReader();
    EfetchStreamReader(const EfetchStreamReader &) = delete;
    EfetchStreamReader &operator=(const EfetchStreamReader &) = delete;

    void append(std::string_view bytes);
    // Appends bytes read straight into the reader's own buffer, which spares
    // append()'s copy: `read` is given room for up to `max` bytes and
    // returns how many it wrote, 0 at the end or less on failure; that
    // number is returned.
    qint64 appendRead(qint64 max, const std::function<qint64(char *, qint64)> &read);
    // Ends the answer once every record reached the sink: the number of
    // records; 0 when the answer is larger than `maxBytes` or yields no
    // document; -1 when it is not valid UTF-8.
    qsizetype finish();
    // Memory held for text not yet cut into pieces: a few pieces' worth,
    // however long the answer, unless it gives no safe cut.
    size_t heldBytes() const;
    // Forgets everything appended, to read another answer.
    void reset();

private:
    class Impl;
    std::unique_ptr<Impl> d;
};
