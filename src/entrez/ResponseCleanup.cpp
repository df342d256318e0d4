#include "entrez/ResponseCleanup.h"

#include "common/SystemLog.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// The same search 32 bytes at a time, on processors that have AVX2: the
// answer is searched through more than once, and this halves the cost.
__attribute__((target("avx2"))) size_t findResponseTextAvx2(std::string_view text, std::string_view needle, size_t &from)
{
    const size_t n = needle.size();
    const __m256i second = _mm256_set1_epi8(needle[1]);
    const __m256i last = _mm256_set1_epi8(needle[n - 1]);
    const char *const data = text.data();
    size_t i = from;
    for (; i + n + 31 <= text.size(); i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + 1));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + n - 1));
        unsigned mask = unsigned(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, second), _mm256_cmpeq_epi8(b, last))));
        for (; mask; mask &= mask - 1) {
            const size_t at = i + size_t(__builtin_ctz(mask));
            if (std::memcmp(data + at, needle.data(), n) == 0)
                return at;
        }
    }
    from = i;
    return std::string_view::npos;
}

bool hasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return bool(__builtin_cpu_supports("avx2"));
    }();
    return has;
}
#endif

} // namespace

// The closing tag lies near the end of a large answer, so the search has to
// be fast: sixteen positions at a time (thirty-two with AVX2) are filtered
// on two of the needle's bytes ('/' and '>' of a closing tag, rare as a
// pair) before comparing.
size_t findResponseText(std::string_view text, std::string_view needle, size_t from)
{
    const size_t n = needle.size();
#if defined(__x86_64__) && defined(__GNUC__)
    if (n >= 3 && hasAvx2()) {
        if (const size_t at = findResponseTextAvx2(text, needle, from); at != std::string_view::npos)
            return at;
    }
#endif
#if defined(__SSE2__)
    if (n >= 3) {
        const __m128i second = _mm_set1_epi8(needle[1]);
        const __m128i last = _mm_set1_epi8(needle[n - 1]);
        const char *const data = text.data();
        size_t i = from;
        for (; i + n + 15 <= text.size(); i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + 1));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + n - 1));
            unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, second), _mm_cmpeq_epi8(b, last))));
            for (; mask; mask &= mask - 1) {
                const size_t at = i + size_t(__builtin_ctz(mask));
                if (std::memcmp(data + at, needle.data(), n) == 0)
                    return at;
            }
        }
        from = i;
    }
#endif
    return text.find(needle, from);
}

namespace {

// The replacements over data[0, size); with `more`, text may follow, so the
// scan stops before the first '&' that a pattern could match only with bytes
// still to come.
EntityReplacement replaceEntities(char *data, size_t size, bool more)
{
    struct Replacement
    {
        std::string_view from;
        std::string_view to;
    };
    static constexpr Replacement kReplacements[] = {
        {"&lt;", "<"},
        {"&gt;", ">"},
        {"&quot;", "\""},
        {"&amp;amp;", "&amp;"},
    };
    static_assert(kLongestEntityPattern == std::string_view("&amp;amp;").size());

    char *const end = data + size;
    char *read = data;
    char *write = data; // equals read until the first replacement
    const auto keepUpTo = [&](char *to) {
        const size_t keep = size_t(to - read);
        if (write != read)
            std::memmove(write, read, keep);
        write += keep;
        read = to;
    };
    while (char *amp = static_cast<char *>(std::memchr(read, '&', size_t(end - read)))) {
        if (more && size_t(end - amp) < kLongestEntityPattern) {
            keepUpTo(amp);
            return {size_t(write - data), size_t(read - data)};
        }
        const Replacement *match = nullptr;
        for (const Replacement &r : kReplacements) {
            if (size_t(end - amp) >= r.from.size() && std::memcmp(amp, r.from.data(), r.from.size()) == 0) {
                match = &r;
                break;
            }
        }
        if (!match) {
            keepUpTo(amp + 1);
            continue;
        }
        keepUpTo(amp);
        std::memcpy(write, match->to.data(), match->to.size());
        write += match->to.size();
        read = amp + match->from.size();
    }
    keepUpTo(end);
    return {size_t(write - data), size};
}

} // namespace

size_t replaceResponseEntities(char *data, size_t size)
{
    return replaceEntities(data, size, false).written;
}

EntityReplacement replaceResponseEntitiesSoFar(char *data, size_t size)
{
    return replaceEntities(data, size, true);
}

std::optional<Envelope> responseEnvelope(std::string_view text, std::string_view closingTag)
{
    // Some tools save an answer without its declaration: it starts at its first tag.
    size_t begin = text.find("<?xml");
    if (begin == std::string_view::npos)
        begin = text.find('<');
    if (begin == std::string_view::npos)
        return std::nullopt;
    const size_t close = findResponseText(text, closingTag, begin);
    if (close == std::string_view::npos)
        return std::nullopt;
    return Envelope{begin, close + closingTag.size()};
}

bool CleanedResponse::clean(char *data, size_t size, std::string_view closingTag)
{
    const size_t length = replaceResponseEntities(data, size);
    const std::optional<Envelope> envelope = responseEnvelope(std::string_view(data, length), closingTag);
    if (!envelope)
        return false;
    const XmlRepair repair(std::string_view(data + envelope->begin, envelope->end - envelope->begin));
    m_outline = repair.outline();
    m_offset = envelope->begin;
    m_size = repair.repairedSize();
    if (!repair.changesNothing()) {
        // Repaired in the answer's own buffer: the replacements made room,
        // which re-escaping mostly takes back; more is rarely needed.
        const size_t needed = m_offset + m_size;
        if (needed > size) {
            if (m_inBytes)
                m_bytes.resize(qsizetype(needed));
            else
                m_string.resize(needed);
        }
        repair.applyInPlace(this->data());
    }
    return true;
}

std::optional<CleanedResponse> CleanedResponse::fromText(std::string text, std::string_view closingTag, size_t maxBytes)
{
    if (text.size() > maxBytes)
        return std::nullopt;
    CleanedResponse cleaned;
    cleaned.m_string = std::move(text);
    if (!cleaned.clean(cleaned.m_string.data(), cleaned.m_string.size(), closingTag))
        return std::nullopt;
    return cleaned;
}

std::optional<CleanedResponse> CleanedResponse::fromBytes(QByteArray bytes, std::string_view closingTag, size_t maxBytes)
{
    if (size_t(bytes.size()) > maxBytes)
        return std::nullopt;
    CleanedResponse cleaned;
    cleaned.m_bytes = std::move(bytes);
    cleaned.m_inBytes = true;
    if (!cleaned.clean(cleaned.m_bytes.data(), size_t(cleaned.m_bytes.size()), closingTag))
        return std::nullopt;
    return cleaned;
}

XmlDocument::XmlDocument(CleanedResponse text)
    : m_text(std::move(text))
{
    m_document.load_buffer_inplace(m_text.data(), m_text.size(), kResponseParseOptions, pugi::encoding_utf8);
}

namespace {

// A span of the content that parses on its own: a run of whole children of
// the document element.
struct Piece
{
    size_t begin;
    size_t end;
    bool inPlace;
    bool refused = false; // one record past the bound: never parsed
    size_t layout = 0;    // of a refused record, the bytes of layout the repair took
};

size_t tagsIn(const char *text, size_t begin, size_t end)
{
    size_t tags = 0;
    for (const char *p = text + begin, *const stop = text + end;
         (p = static_cast<const char *>(std::memchr(p, '<', size_t(stop - p)))) != nullptr; ++p)
        ++tags;
    return tags;
}

// Only a record large enough to pass the bound is scanned for its tags. The
// bound is of the record as sent: `layout` bytes and `unreadTags` tags are
// what the repair took of it.
bool isRecordPastBound(const char *text, size_t begin, size_t end, size_t layout, size_t unreadTags)
{
    const size_t bytes = end - begin + layout;
    return bytes > kMaxRecordBytes
        || (bytes > kRecordFreeTags && tagsIn(text, begin, end) + unreadTags > recordTagBound(bytes));
}

void logRefusedRecord(const Piece &piece)
{
    systemLog(QStringLiteral("EFetch answer: a record of %1 bytes was dropped: its text or markup passes what one record "
                             "may hold")
                  .arg(piece.end - piece.begin + piece.layout));
}

std::vector<Piece> piecesOf(const char *text, const XmlOutline &outline)
{
    // About this much text per piece keeps its tree small next to the answer
    // and in the cache while it is visited.
    constexpr size_t kPieceBytes = size_t(1) << 18;

    std::vector<Piece> pieces;
    if (!outline.hasRoot)
        return pieces;
    // Pieces ending just after a child element are parsed in place. pugixml
    // borrows the last byte of an in-place buffer as its terminator, which is
    // harmless on a '>' but would cut the last character of trailing text, so
    // the text after the last child element is parsed from a copy.
    size_t begin = outline.contentBegin;
    size_t childBegin = begin;
    for (size_t i = 0; i < outline.childEnds.size(); ++i) {
        const size_t cut = outline.childEnds[i];
        const size_t layout = outline.layoutBefore.empty() ? 0 : outline.layoutBefore[i];
        const size_t unreadTags = outline.unreadTagsBefore.empty() ? 0 : outline.unreadTagsBefore[i];
        if (isRecordPastBound(text, childBegin, cut, layout, unreadTags)) {
            if (childBegin > begin)
                pieces.push_back({begin, childBegin, true});
            pieces.push_back({childBegin, cut, true, true, layout});
            begin = cut;
        } else if (cut - begin >= kPieceBytes) {
            pieces.push_back({begin, cut, true});
            begin = cut;
        }
        childBegin = cut;
    }
    if (!outline.childEnds.empty() && outline.childEnds.back() > begin) {
        pieces.push_back({begin, outline.childEnds.back(), true});
        begin = outline.childEnds.back();
    }
    if (outline.contentEnd > begin)
        pieces.push_back({begin, outline.contentEnd, false});
    return pieces;
}

void parsePiece(pugi::xml_document &document, char *text, const Piece &piece)
{
    if (piece.refused) {
        document.reset();
        return;
    }
    constexpr unsigned int kOptions = kResponseParseOptions | pugi::parse_fragment;
    char *const data = text + piece.begin;
    const size_t size = piece.end - piece.begin;
    // pugixml would drop a leading U+FEFF as a byte-order mark: an empty
    // comment in front keeps it text.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        const std::string copy = std::string("<!---->").append(data, size);
        document.load_buffer(copy.data(), copy.size(), kOptions, pugi::encoding_utf8);
    } else if (piece.inPlace) {
        document.load_buffer_inplace(data, size, kOptions, pugi::encoding_utf8);
    } else {
        document.load_buffer(data, size, kOptions, pugi::encoding_utf8);
    }
}

} // namespace

void forEachRootChild(CleanedResponse &text, const std::function<void(pugi::xml_node)> &visit)
{
    char *const data = text.data();
    const std::vector<Piece> pieces = piecesOf(data, text.outline());
    const auto visitChildren = [&](const pugi::xml_document &document) {
        for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling())
            visit(node);
    };
    if (pieces.size() < 2 || std::thread::hardware_concurrency() < 2) {
        pugi::xml_document document;
        forEachContentNode(data, text.outline(), document, visit);
        return;
    }

    // Parsing is most of the work and the pieces are independent, so a
    // helper thread parses pieces too, while this thread visits them in
    // order. Piece i lives in tree i % kTrees; a piece is taken for parsing
    // only when its tree is no longer visited, so at most kTrees trees exist.
    constexpr size_t kTrees = 4;
    std::array<pugi::xml_document, kTrees> trees;
    std::vector<bool> parsed(pieces.size());
    size_t taken = 0;    // pieces [0, taken) are parsed or being parsed
    size_t visiting = 0; // the piece this thread visits or waits for
    std::mutex mutex;
    std::condition_variable_any changed;
    // Parses the next piece when there is one and room for it; called and
    // returns with `lock` held.
    const auto parseNext = [&](std::unique_lock<std::mutex> &lock) {
        if (taken == pieces.size() || taken == visiting + kTrees)
            return false;
        const size_t i = taken++;
        lock.unlock();
        parsePiece(trees[i % kTrees], data, pieces[i]);
        lock.lock();
        parsed[i] = true;
        changed.notify_all();
        return true;
    };
    const std::jthread helper([&](std::stop_token stop) {
        std::unique_lock lock(mutex);
        while (taken < pieces.size()) {
            if (!parseNext(lock) && !changed.wait(lock, stop, [&] { return taken < std::min(pieces.size(), visiting + kTrees); }))
                return;
        }
    });
    // Declared after the helper, so it is released before the helper is joined.
    std::unique_lock lock(mutex);
    while (visiting < pieces.size()) {
        while (!parsed[visiting]) {
            if (!parseNext(lock))
                changed.wait(lock, [&] { return bool(parsed[visiting]); });
        }
        lock.unlock();
        if (pieces[visiting].refused)
            logRefusedRecord(pieces[visiting]);
        visitChildren(trees[visiting % kTrees]);
        lock.lock();
        ++visiting; // frees its tree for a later piece
        changed.notify_all();
    }
}

void forEachContentNode(char *text, const XmlOutline &outline, pugi::xml_document &tree,
                        const std::function<void(pugi::xml_node)> &visit)
{
    for (const Piece &piece : piecesOf(text, outline)) {
        if (piece.refused)
            logRefusedRecord(piece);
        parsePiece(tree, text, piece);
        for (pugi::xml_node node = tree.first_child(); node; node = node.next_sibling())
            visit(node);
    }
}

std::unique_ptr<XmlDocument> XMLDocumentForResponse(std::string text, std::string_view closingTag, size_t maxBytes)
{
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromText(std::move(text), closingTag, maxBytes);
    if (!cleaned)
        return nullptr;
    auto document = std::make_unique<XmlDocument>(std::move(*cleaned));
    if (!document->root())
        return nullptr;
    return document;
}
