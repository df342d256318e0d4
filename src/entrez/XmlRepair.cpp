#include "entrez/XmlRepair.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum CharClass : uint8_t {
    kSpace = 1,
    kNameStart = 2,
    kName = 4,
    kContentStop = 8, // '<', '&' and NUL end a run of plain text
};

constexpr std::array<uint8_t, 256> makeClasses()
{
    std::array<uint8_t, 256> t{};
    for (int c : {' ', '\t', '\r', '\n'})
        t[size_t(c)] |= kSpace;
    for (int c = 0; c < 256; ++c) {
        // Like pugixml, every byte of a multi-byte UTF-8 sequence counts as a name character.
        const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
        if (start)
            t[size_t(c)] |= kNameStart | kName;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            t[size_t(c)] |= kName;
    }
    for (int c : {'<', '&', '\0'})
        t[size_t(c)] |= kContentStop;
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = makeClasses();

inline bool is(char c, CharClass cls)
{
    return kClasses[uint8_t(c)] & cls;
}

inline bool startsWith(const char *p, const char *end, std::string_view s)
{
    return size_t(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

// First '<', '&' or NUL in [p, end), or end.
inline const char *findContentStop(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)), _mm_cmpeq_epi8(v, nul));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && !is(*p, kContentStop))
        ++p;
    return p;
}

inline bool sameBytes(const char *a, const char *b, size_t n)
{
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
    }
    for (; n > 0; --n) {
        if (*a++ != *b++)
            return false;
    }
    return true;
}

inline const char *skipSpace(const char *p, const char *end)
{
    while (p < end && is(*p, kSpace))
        ++p;
    return p;
}

// Whether [from, to) is all white space; `end` bounds what may be read.
// Layout runs are short and many, so they are looked at 16 bytes at once.
inline bool isSpaceOnly(const char *from, const char *to, const char *end)
{
#if defined(__SSE2__)
    while (from < to && end - from >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
        const __m128i space = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                                           _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))));
        const size_t n = std::min<size_t>(16, size_t(to - from));
        const unsigned inRun = n == 16 ? 0xFFFFu : (1u << n) - 1;
        if (~unsigned(_mm_movemask_epi8(space)) & inRun)
            return false;
        from += n;
    }
#endif
    return skipSpace(from, to) == to;
}

// p at a name start character; returns the end of the name.
inline const char *skipName(const char *p, const char *end)
{
    while (p < end && is(*p, kName))
        ++p;
    return p;
}

bool isXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Length of the well-formed reference at p ('&'), or 0.
size_t referenceLength(const char *p, const char *end)
{
    const char *s = p + 1;
    if (s < end && *s == '#') {
        ++s;
        const bool hex = s < end && *s == 'x';
        if (hex)
            ++s;
        const char *digits = s;
        uint32_t value = 0;
        for (; s < end; ++s) {
            unsigned d;
            if (*s >= '0' && *s <= '9')
                d = unsigned(*s - '0');
            else if (hex && (*s | 0x20) >= 'a' && (*s | 0x20) <= 'f')
                d = unsigned((*s | 0x20) - 'a' + 10);
            else
                break;
            value = value * (hex ? 16 : 10) + d;
            if (value > 0x10FFFF)
                value = 0x110000; // stays out of range however many digits follow
        }
        if (s == digits || s == end || *s != ';' || !isXmlChar(value))
            return 0;
        return size_t(s + 1 - p);
    }
    for (std::string_view name : {"lt;", "gt;", "amp;", "quot;", "apos;"}) {
        if (startsWith(s, end, name))
            return 1 + name.size();
    }
    return 0;
}

using Writing = XmlRepair::Writing;

// Writes the text [p, end) as `writing` says to `out`; returns the end of
// what was written. Every "<" of escaped content and every quote of an
// escaped value is one the repair found to be text.
char *writeEscaped(const char *p, const char *end, Writing writing, char *out)
{
    const char quote = writing == Writing::EscapedDoubleQuoted ? '"' : writing == Writing::EscapedSingleQuoted ? '\'' : 0;
    const auto put = [&out](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    };
    while (p < end) {
        const char *plain = p;
        while (p < end && *p != '<' && *p != '&' && *p != 0 && *p != quote)
            ++p;
        put(std::string_view(plain, size_t(p - plain)));
        if (p == end)
            break;
        if (*p == '&') {
            if (const size_t n = referenceLength(p, end)) {
                put(std::string_view(p, n));
                p += n;
                continue;
            }
            put("&amp;");
        } else if (*p == '<') {
            put("&lt;");
        } else if (*p != 0) {
            put(quote == '"' ? "&quot;" : "&apos;");
        }
        ++p;
    }
    return out;
}

// The bytes an edit puts in place of its input, which is read at `input`.
char *writeEdit(const XmlRepair::Edit &e, const char *input, const std::string &texts, char *out)
{
    if (e.writing == Writing::Text) {
        std::memcpy(out, texts.data() + e.text, e.outLength);
        return out + e.outLength;
    }
    return writeEscaped(input, input + (e.to - e.from), e.writing, out);
}

// The next occurrence of a fixed string at or after a position, remembered so
// that repeated searches from increasing positions stay linear overall.
class CachedSearch
{
public:
    explicit CachedSearch(std::string_view needle)
        : m_needle(needle)
    {
    }
    const char *find(const char *from, const char *end)
    {
        if (!m_searchedFrom || from < m_searchedFrom || (m_found != end && m_found < from)) {
            const void *hit = memmem(from, size_t(end - from), m_needle.data(), m_needle.size());
            m_found = hit ? static_cast<const char *>(hit) : end;
            m_searchedFrom = from;
        }
        return m_found;
    }

private:
    std::string_view m_needle;
    const char *m_searchedFrom = nullptr;
    const char *m_found = nullptr;
};

struct OpenElement
{
    const char *name;
    uint32_t length;
    int read; // what of it is read: an XmlElementsRead state, or kDocument
    std::string_view view() const { return {name, length}; }
};

constexpr int kDocument = -3; // the document element

class Repairer
{
public:
    Repairer(std::string_view input, std::vector<XmlRepair::Edit> &edits, std::string &texts, XmlOutline &outline,
             XmlRepair::Layout layout, const XmlElementsRead *read)
        : m_begin(input.data())
        , m_end(input.data() + input.size())
        , m_edits(edits)
        , m_texts(texts)
        , m_outline(outline)
        // Real answers hold a line every 45 bytes or so; the bound keeps the
        // record of changes near the input's size whatever the input holds.
        , m_read(read)
        , m_notesDropped(layout == XmlRepair::Layout::Drop || read)
        , m_layoutDrops(layout == XmlRepair::Layout::Drop ? input.size() / 32 + 64 : 0)
    {
        if (m_notesDropped)
            m_edits.reserve(input.size() / 48);
    }

    void run()
    {
        if (const char *p = prolog(m_begin)) {
            m_outline.hasRoot = true;
            if ((p = content(p)))
                epilog(p);
        }
    }

private:
    // Changes are only recorded here, in input order, and applied afterwards,
    // so well-formed input costs no writes at all and the input stays intact
    // (open element names point into it) while it is scanned.
    void replace(const char *from, const char *to, std::string_view with)
    {
        m_delta += ptrdiff_t(with.size()) - (to - from);
        const size_t f = size_t(from - m_begin);
        const size_t t = size_t(to - m_begin);
        // Changes that meet (end tags written at one place, bytes dropped one
        // after another) are one edit.
        if (!m_edits.empty()) {
            XmlRepair::Edit &last = m_edits.back();
            if (last.writing == Writing::Text && last.to == f && last.text + last.outLength == m_texts.size()) {
                m_texts.append(with);
                last.to = t;
                last.outLength += with.size();
                return;
            }
        }
        m_edits.push_back({f, t, with.size(), m_texts.size(), Writing::Text});
        m_texts.append(with);
    }

    // The byte at p is escaped (or dropped) as `writing` says, which makes it
    // `growth` bytes longer; the bytes from `run` to p are text that writing
    // keeps as it is. An edit of the same writing that ends within that run
    // is extended over the run and p, so a run of text costs one edit however
    // many characters in it must be escaped.
    void escape(const char *p, const char *run, Writing writing, ptrdiff_t growth)
    {
        m_delta += growth;
        const size_t at = size_t(p - m_begin);
        if (!m_edits.empty()) {
            XmlRepair::Edit &last = m_edits.back();
            if (last.writing == writing && last.to >= size_t(run - m_begin)) {
                last.outLength += (at - last.to) + size_t(1 + growth);
                last.to = at + 1;
                return;
            }
        }
        m_edits.push_back({at, at + 1, size_t(1 + growth), 0, writing});
    }
    void drop(const char *from, const char *to) { replace(from, to, {}); }

    // The text run [from, to) ends at markup that is kept; when layout goes,
    // so does a run of layout. A null `from` is no run. Called before any
    // change at `to` is recorded, so that the changes stay in input order.
    void beforeKeptMarkup(const char *from, const char *to)
    {
        // Indentation starts with its line break; a run that does not is
        // left, as leaving layout is always right.
        if (m_layoutDrops == 0 || !from || from == to || (*from != '\n' && *from != '\r'))
            return;
        if (isSpaceOnly(from, to, m_end)) {
            --m_layoutDrops;
            // Recorded as it is: layout runs are many, and the merging that
            // replace() tries first seldom applies to them.
            m_delta -= to - from;
            m_layoutDropped += size_t(to - from);
            m_edits.push_back({size_t(from - m_begin), size_t(to - m_begin), 0, m_texts.size(), Writing::Text});
        }
    }
    size_t outputOffset(const char *p) const { return size_t((p - m_begin) + m_delta); }

    // A comment, CDATA section or PI [from, to) is kept as it is, any "<" in it too.
    void countTags(const char *from, const char *to)
    {
        for (; (from = static_cast<const char *>(std::memchr(from, '<', size_t(to - from)))); ++from)
            ++m_tags;
    }

    // --- Markup recognisers; each returns the end of the construct at p, or null.

    const char *comment(const char *p)
    {
        if (!startsWith(p, m_end, "<!--"))
            return nullptr;
        const char *close = m_commentEnd.find(p + 4, m_end);
        return close != m_end && m_nul.find(p, m_end) > close ? close + 3 : nullptr;
    }

    const char *cdata(const char *p)
    {
        if (!startsWith(p, m_end, "<![CDATA["))
            return nullptr;
        const char *close = m_cdataEnd.find(p + 9, m_end);
        return close != m_end && m_nul.find(p, m_end) > close ? close + 3 : nullptr;
    }

    // A processing instruction (the XML declaration included): "<?" target,
    // then white space or "?>".
    const char *processingInstruction(const char *p)
    {
        if (m_end - p < 3 || p[1] != '?' || !is(p[2], kNameStart))
            return nullptr;
        const char *s = skipName(p + 2, m_end);
        if (s < m_end && !is(*s, kSpace) && *s != '?')
            return nullptr;
        const char *close = m_piEnd.find(s, m_end);
        return close != m_end && m_nul.find(p, m_end) > close ? close + 2 : nullptr;
    }

    // "<!DOCTYPE" with its external id and internal subset, read the way
    // pugixml skips it: nested "<!" groups, quoted strings, comments, PIs and
    // "<![" sections.
    const char *doctype(const char *p)
    {
        if (!startsWith(p, m_end, "<!DOCTYPE") || m_end - p < 10 || !is(p[9], kSpace))
            return nullptr;
        size_t depth = 0;
        const char *s = p + 2;
        while (s < m_end) {
            const char c = *s;
            if (c == 0)
                return nullptr;
            if (c == '<' && m_end - s >= 3 && s[1] == '!' && s[2] == '[') {
                s = doctypeIgnoreSection(s);
            } else if (c == '<' && m_end - s >= 3 && s[1] == '!' && s[2] != '-') {
                s += 2;
                ++depth;
                continue;
            } else if (c == '"' || c == '\'') {
                const char *close = static_cast<const char *>(std::memchr(s + 1, c, size_t(m_end - s - 1)));
                s = close && !std::memchr(s, 0, size_t(close - s)) ? close + 1 : nullptr;
            } else if (c == '<' && m_end - s >= 2 && s[1] == '?') {
                const char *close = static_cast<const char *>(memmem(s + 2, size_t(m_end - s - 2), "?>", 2));
                s = close && !std::memchr(s, 0, size_t(close - s)) ? close + 2 : nullptr;
            } else if (c == '<' && startsWith(s, m_end, "<!--")) {
                const char *close = static_cast<const char *>(memmem(s + 4, size_t(m_end - s - 4), "-->", 3));
                s = close && !std::memchr(s, 0, size_t(close - s)) ? close + 3 : nullptr;
            } else if (c == '<') {
                return nullptr;
            } else if (c == '>') {
                if (depth == 0)
                    return s + 1;
                --depth;
                ++s;
                continue;
            } else {
                ++s;
                continue;
            }
            if (!s)
                return nullptr;
        }
        return nullptr;
    }

    const char *doctypeIgnoreSection(const char *s)
    {
        size_t depth = 0;
        for (s += 3; s < m_end; ++s) {
            if (*s == 0)
                return nullptr;
            if (*s == '<' && m_end - s >= 3 && s[1] == '!' && s[2] == '[') {
                s += 2;
                ++depth;
            } else if (*s == ']' && m_end - s >= 3 && s[1] == ']' && s[2] == '>') {
                if (depth == 0)
                    return s + 3;
                s += 2;
                --depth;
            }
        }
        return nullptr;
    }

    // Whether the '<' at p may start a tag, an end tag, a comment or a PI. A
    // value stops at one, so that a value never runs past the next tag and
    // every byte is scanned by one value at most.
    bool startsMarkup(const char *p) const
    {
        return m_end - p >= 2 && (is(p[1], kNameStart) || p[1] == '/' || p[1] == '!' || p[1] == '?');
    }

    // Whether a quote inside an attribute value, followed by `s`, closes it:
    // the tag must go on with its end or with the next attribute.
    bool closesValue(const char *s) const
    {
        if (s == m_end || *s == '>')
            return true;
        if (*s == '/')
            return m_end - s >= 2 && s[1] == '>';
        if (!is(*s, kSpace))
            return false;
        s = skipSpace(s, m_end);
        if (s == m_end || *s == '>')
            return true;
        if (*s == '/')
            return m_end - s >= 2 && s[1] == '>';
        if (!is(*s, kNameStart))
            return false;
        s = skipSpace(skipName(s, m_end), m_end);
        if (s == m_end || *s != '=')
            return false;
        s = skipSpace(s + 1, m_end);
        return s < m_end && (*s == '"' || *s == '\'');
    }

    // Scans an attribute value from just after its opening quote; returns its
    // closing quote, or null when the tag cannot be well-formed. With Fix, the
    // bytes that XML cannot hold there are rewritten; without it they are
    // only noted in `needsFix`.
    template <bool Fix>
    const char *attributeValue(const char *s, char quote, bool &needsFix)
    {
        const char *const value = s;
        const Writing writing = quote == '"' ? Writing::EscapedDoubleQuoted : Writing::EscapedSingleQuoted;
        while (true) {
            while (s < m_end && *s != quote && !is(*s, kContentStop))
                ++s;
            if (s == m_end || (*s == '<' && startsMarkup(s)))
                return nullptr;
            if (*s == '<') {
                // "P < 0.05" in a Label, unescaped with the rest of the answer.
                if constexpr (Fix)
                    escape(s, value, writing, 3);
            } else if (*s == '&') {
                if (const size_t n = referenceLength(s, m_end)) {
                    s += n;
                    continue;
                }
                if constexpr (Fix)
                    escape(s, value, writing, 4);
            } else if (*s == 0) {
                if constexpr (Fix)
                    escape(s, value, writing, -1);
            } else if (closesValue(s + 1)) {
                return s;
            } else if constexpr (Fix) {
                escape(s, value, writing, 5);
            }
            needsFix = true;
            ++s;
        }
    }

    struct StartTag
    {
        const char *nameEnd;
        const char *end;
        bool empty;
        bool needsFix;
    };

    // A start or empty-element tag at p; with Fix, its values are repaired.
    template <bool Fix>
    bool startTag(const char *p, StartTag &tag)
    {
        if (m_end - p < 2 || !is(p[1], kNameStart))
            return false;
        const char *s = skipName(p + 1, m_end);
        tag.nameEnd = s;
        tag.needsFix = false;
        while (true) {
            const char *afterName = s;
            s = skipSpace(s, m_end);
            if (s == m_end)
                return false;
            if (*s == '>' || (*s == '/' && m_end - s >= 2 && s[1] == '>')) {
                tag.empty = *s == '/';
                tag.end = s + (tag.empty ? 2 : 1);
                return true;
            }
            if (s == afterName || !is(*s, kNameStart))
                return false;
            s = skipSpace(skipName(s, m_end), m_end);
            if (s == m_end || *s != '=')
                return false;
            s = skipSpace(s + 1, m_end);
            if (s == m_end || (*s != '"' && *s != '\''))
                return false;
            s = attributeValue<Fix>(s + 1, *s, tag.needsFix);
            if (!s)
                return false;
            ++s;
        }
    }

    // An end tag at p: its name, and the end of the tag. Nearly every end tag
    // closes the innermost element, so that name is tried first, as a whole.
    const char *endTag(const char *p, std::string_view innermost, std::string_view &name) const
    {
        const char *s = p + 2;
        const size_t n = innermost.size();
        if (size_t(m_end - s) > n && s[n] == '>' && sameBytes(s, innermost.data(), n)) {
            name = innermost;
            return s + n + 1;
        }
        if (s == m_end || !is(*s, kNameStart))
            return nullptr;
        s = skipName(s, m_end);
        name = std::string_view(p + 2, size_t(s - p - 2));
        s = skipSpace(s, m_end);
        return s < m_end && *s == '>' ? s + 1 : nullptr;
    }

    // --- The element stack. Names of open elements are indexed only when an
    // end tag does not match the innermost one, and only for the part of the
    // stack not indexed yet, so well-formed input never touches the index and
    // hostile input costs amortised constant time per element.

    void push(const char *p, const char *nameEnd)
    {
        const std::string_view name(p + 1, size_t(nameEnd - p - 1));
        int read = XmlElementsRead::kAll;
        if (m_stack.empty()) {
            read = kDocument;
        } else if (m_read) {
            const int parent = m_stack.back().read;
            if (parent == kDocument)
                read = m_read->child(name);
            else if (parent >= 0)
                read = m_read->child(parent, name);
            else
                read = parent;
            if (read == XmlElementsRead::kNone && parent != XmlElementsRead::kNone)
                m_unread = {p, m_stack.size() + 1, m_edits.size(), m_texts.size(), m_delta, m_layoutDropped, m_tags};
        }
        ++m_tags;
        m_stack.push_back({name.data(), uint32_t(name.size()), read});
    }

    // Closes the innermost open element, whose end is at `end`.
    void pop(const char *end)
    {
        if (m_stack.size() == m_unread.depth)
            dropUnread(end);
        if (m_stack.size() <= m_indexed) {
            auto it = m_openNames.find(m_stack.back().view());
            if (--it->second == 0)
                m_openNames.erase(it);
            m_indexed = m_stack.size() - 1;
        }
        m_stack.pop_back();
    }

    bool isOpen(std::string_view name)
    {
        for (; m_indexed < m_stack.size(); ++m_indexed)
            ++m_openNames[m_stack[m_indexed].view()];
        return m_openNames.count(name) != 0;
    }

    // The unread element [m_unread.begin, end) goes with whatever was found
    // to change inside it; the outline counts it as it would have been
    // written, so that a record's size as sent can still be told.
    void dropUnread(const char *end)
    {
        const ptrdiff_t written = (end - m_unread.begin) + (m_delta - m_unread.delta);
        m_edits.resize(m_unread.edits);
        m_texts.resize(m_unread.texts);
        m_delta = m_unread.delta;
        // Layout dropped inside it is counted already.
        m_layoutDropped += size_t(written);
        m_unreadTags += m_tags - m_unread.tags;
        drop(m_unread.begin, end);
        m_unread.depth = 0;
    }

    // Closes the innermost open element with a written end tag at p.
    void closeInnermost(const char *p)
    {
        const OpenElement e = m_stack.back();
        replace(p, p, std::string("</").append(e.view()).append(">"));
        ++m_tags;
        pop(p);
        noteChildEnd(p);
    }

    // After an element closes at p: its end is a cut point when it was a child of the root.
    void noteChildEnd(const char *p)
    {
        if (m_stack.size() != 1)
            return;
        m_outline.childEnds.push_back(outputOffset(p));
        if (m_notesDropped) {
            m_outline.layoutBefore.push_back(m_layoutDropped);
            m_outline.unreadTagsBefore.push_back(m_unreadTags);
            m_layoutDropped = 0;
            m_unreadTags = 0;
        }
    }

    // --- The three parts of a document.

    // Before the document element: white space, comments, PIs and one DOCTYPE
    // stay; anything else is dropped. Returns the position after the document
    // element's start tag, or null when there is none.
    const char *prolog(const char *p)
    {
        bool doctypeTried = false;
        while (p < m_end) {
            const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(m_end - p)));
            if (!lt)
                lt = m_end;
            dropUnlessSpace(p, lt);
            if (lt == m_end)
                break;
            if (const char *e = comment(lt)) {
                p = e;
                continue;
            }
            if (const char *e = processingInstruction(lt)) {
                p = e;
                continue;
            }
            if (!doctypeTried && startsWith(lt, m_end, "<!DOCTYPE")) {
                doctypeTried = true; // at most one attempt keeps a run of broken ones linear
                if (const char *e = doctype(lt)) {
                    p = e;
                    continue;
                }
            }
            StartTag tag;
            if (startTag<false>(lt, tag)) {
                if (tag.needsFix)
                    startTag<true>(lt, tag);
                if (tag.empty) {
                    m_outline.hasRoot = true;
                    m_outline.contentBegin = m_outline.contentEnd = outputOffset(tag.end);
                    epilog(tag.end);
                    return nullptr;
                }
                push(lt, tag.nameEnd);
                m_outline.contentBegin = outputOffset(tag.end);
                return tag.end;
            }
            drop(lt, lt + 1);
            p = lt + 1;
        }
        return nullptr;
    }

    // Inside the document element. Returns the position after its end tag,
    // or null when the input ended first (all open elements are then closed).
    const char *content(const char *p)
    {
        const char *text = p; // where the run of text up to p began
        // Where a run that may be layout began: just after the last markup
        // kept. None after an end tag the repair drops, which joins the text
        // on its two sides into one.
        const char *layout = p;
        while (true) {
            const char *q = findContentStop(p, m_end);
            if (q == m_end)
                break;
            if (*q == '&') {
                if (const size_t n = referenceLength(q, m_end)) {
                    p = q + n;
                } else {
                    escape(q, text, Writing::EscapedContent, 4);
                    p = q + 1;
                }
                continue;
            }
            if (*q == 0) {
                escape(q, text, Writing::EscapedContent, -1);
                p = q + 1;
                continue;
            }
            // q is at '<'.
            const char next = q + 1 < m_end ? q[1] : 0;
            if (is(next, kNameStart) && m_stack.size() < kMaxXmlDepth) {
                StartTag tag;
                if (startTag<false>(q, tag)) {
                    beforeKeptMarkup(layout, q);
                    // Pushed before its values are fixed, so that an unread
                    // element's fixes go with it.
                    push(q, tag.nameEnd);
                    if (tag.needsFix)
                        startTag<true>(q, tag);
                    if (tag.empty) {
                        pop(tag.end);
                        noteChildEnd(tag.end);
                    }
                    p = text = layout = tag.end;
                    continue;
                }
            } else if (next == '/') {
                const std::string_view innermost = m_stack.back().view();
                std::string_view name;
                if (const char *e = endTag(q, innermost, name)) {
                    if (name == innermost || isOpen(name)) {
                        beforeKeptMarkup(layout, q);
                        while (name != m_stack.back().view())
                            closeInnermost(q);
                        if (m_stack.size() == 1) {
                            m_outline.contentEnd = outputOffset(q);
                            m_stack.pop_back();
                            return e;
                        }
                        ++m_tags;
                        pop(e);
                        noteChildEnd(e);
                        layout = e;
                    } else {
                        drop(q, e);
                        layout = nullptr;
                    }
                    p = text = e;
                    continue;
                }
            } else if (next == '!') {
                const char *e = comment(q);
                if (!e)
                    e = cdata(q);
                if (e) {
                    beforeKeptMarkup(layout, q);
                    countTags(q, e);
                    p = text = layout = e;
                    continue;
                }
            } else if (next == '?') {
                if (const char *e = processingInstruction(q)) {
                    beforeKeptMarkup(layout, q);
                    countTags(q, e);
                    p = text = layout = e;
                    continue;
                }
            }
            escape(q, text, Writing::EscapedContent, 3);
            p = q + 1;
        }
        while (!m_stack.empty()) {
            if (m_stack.size() == 1) {
                m_outline.contentEnd = outputOffset(m_end);
                replace(m_end, m_end, std::string("</").append(m_stack.back().view()).append(">"));
                m_stack.pop_back();
            } else {
                closeInnermost(m_end);
            }
        }
        return nullptr;
    }

    // After the document element: white space, comments and PIs stay.
    void epilog(const char *p)
    {
        while (p < m_end) {
            const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(m_end - p)));
            if (!lt)
                lt = m_end;
            dropUnlessSpace(p, lt);
            if (lt == m_end)
                break;
            if (const char *e = comment(lt)) {
                p = e;
            } else if (const char *e = processingInstruction(lt)) {
                p = e;
            } else {
                drop(lt, lt + 1);
                p = lt + 1;
            }
        }
    }

    void dropUnlessSpace(const char *from, const char *to)
    {
        if (skipSpace(from, to) != to)
            drop(from, to);
    }

    const char *const m_begin;
    const char *const m_end;
    std::vector<XmlRepair::Edit> &m_edits;
    std::string &m_texts;
    XmlOutline &m_outline;
    ptrdiff_t m_delta = 0; // output size minus input size so far

    std::vector<OpenElement> m_stack;
    std::unordered_map<std::string_view, uint32_t> m_openNames;
    size_t m_indexed = 0;

    CachedSearch m_commentEnd{"-->"};
    CachedSearch m_cdataEnd{"]]>"};
    CachedSearch m_piEnd{"?>"};
    CachedSearch m_nul{std::string_view("\0", 1)};
    const XmlElementsRead *const m_read;
    const bool m_notesDropped;  // whether the outline says what went before each child end
    size_t m_layoutDrops;       // layout runs that may still be dropped
    size_t m_layoutDropped = 0; // bytes of layout dropped since the last child end
    size_t m_tags = 0;          // "<" written so far, counted where an unread element may hold them
    size_t m_unreadTags = 0;    // those of unread elements dropped since the last child end

    // The outermost unread element open, with what was recorded before it.
    struct Unread
    {
        const char *begin = nullptr;
        size_t depth = 0; // its place on the stack, counted from 1; 0 for none
        size_t edits = 0;
        size_t texts = 0;
        ptrdiff_t delta = 0;
        size_t layoutDropped = 0;
        size_t tags = 0;
    } m_unread;
};

} // namespace

XmlRepair::XmlRepair(std::string_view input, Layout layout, const XmlElementsRead *read)
    : m_input(input)
{
    Repairer(input, m_edits, m_texts, m_outline, layout, read).run();
    ptrdiff_t delta = 0;
    for (const Edit &e : m_edits)
        delta += ptrdiff_t(e.outLength) - ptrdiff_t(e.to - e.from);
    m_repairedSize = size_t(ptrdiff_t(input.size()) + delta);
}

namespace {

// Hands on the repaired text in order: each unchanged span of the input to
// `keep`, each edit to `change`.
template <typename Keep, typename Change>
void forEachPart(std::string_view input, const std::vector<XmlRepair::Edit> &edits, Keep &&keep, Change &&change)
{
    size_t at = 0;
    for (const XmlRepair::Edit &e : edits) {
        keep(input.data() + at, e.from - at);
        change(e);
        at = e.to;
    }
    keep(input.data() + at, input.size() - at);
}

} // namespace

std::string XmlRepair::repaired() const
{
    // Filled by appending, so the unchanged spans are written once and not
    // zeroed first: only the edits' own bytes are.
    std::string out;
    out.reserve(m_repairedSize);
    forEachPart(
        m_input, m_edits, [&](const char *span, size_t size) { out.append(span, size); },
        [&](const Edit &e) {
            const size_t editAt = out.size();
            out.resize(editAt + e.outLength);
            writeEdit(e, m_input.data() + e.from, m_texts, out.data() + editAt);
        });
    return out;
}

void XmlRepair::applyTo(char *out) const
{
    forEachPart(
        m_input, m_edits,
        [&](const char *span, size_t size) {
            std::memcpy(out, span, size);
            out += size;
        },
        [&](const Edit &e) {
            // Most edits drop layout and write nothing.
            if (e.outLength > 0)
                out = writeEdit(e, m_input.data() + e.from, m_texts, out);
        });
}

// The unchanged spans between edits move by the size change of the edits
// before them. Spans moving left are moved first, front to back; then spans
// moving right and the edits' output, back to front. Neither order ever
// overwrites bytes still to be read, since every destination lies left of the
// sources still waiting in its pass. The output of an escaped run is made
// from a copy of its input, taken first, as the moves may overwrite it.
void XmlRepair::applyInPlace(char *data) const
{
    struct Span
    {
        size_t from;
        size_t to;
        ptrdiff_t shift;
    };
    const auto spanAt = [&](size_t i, ptrdiff_t shift) {
        const size_t from = i == 0 ? 0 : m_edits[i - 1].to;
        const size_t to = i == m_edits.size() ? m_input.size() : m_edits[i].from;
        return Span{from, to, shift};
    };
    std::vector<ptrdiff_t> shifts(m_edits.size() + 1);
    std::string escapedInput;
    for (size_t i = 0; i < m_edits.size(); ++i) {
        const Edit &e = m_edits[i];
        shifts[i + 1] = shifts[i] + ptrdiff_t(e.outLength) - ptrdiff_t(e.to - e.from);
        if (e.writing != Writing::Text)
            escapedInput.append(data + e.from, e.to - e.from);
    }
    for (size_t i = 0; i <= m_edits.size(); ++i) {
        const Span span = spanAt(i, shifts[i]);
        if (span.shift < 0)
            std::memmove(data + ptrdiff_t(span.from) + span.shift, data + span.from, span.to - span.from);
    }
    size_t escapedEnd = escapedInput.size();
    for (size_t i = m_edits.size() + 1; i-- > 0;) {
        const Span span = spanAt(i, shifts[i]);
        if (span.shift > 0)
            std::memmove(data + ptrdiff_t(span.from) + span.shift, data + span.from, span.to - span.from);
        if (i > 0) {
            const Edit &e = m_edits[i - 1];
            const char *input = nullptr;
            if (e.writing != Writing::Text) {
                escapedEnd -= e.to - e.from;
                input = escapedInput.data() + escapedEnd;
            }
            writeEdit(e, input, m_texts, data + ptrdiff_t(e.from) + shifts[i - 1]);
        }
    }
}

bool repairXml(std::string_view input, std::string &output, XmlOutline *outline)
{
    const XmlRepair repair(input);
    if (outline)
        *outline = repair.outline();
    if (repair.changesNothing())
        return false;
    output = repair.repaired();
    return true;
}

std::string repairedXml(std::string_view input)
{
    const XmlRepair repair(input);
    return repair.changesNothing() ? std::string(input) : repair.repaired();
}
