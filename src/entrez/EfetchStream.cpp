#include "entrez/EfetchStream.h"

#include "entrez/ArticleExtractor.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/Utf8.h"
#include "entrez/XmlRepair.h"
#include "entrez/XmlText.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How a piece is found, and why its text comes out as in the whole answer.
//
// The repair is one scan whose state, between two children of the document
// element, is nothing but that element's name. So the content from such a
// point P0 on is repaired exactly as "<R>" followed by that content would be.
// A cut C is safe when the scan of the whole answer also stands between two
// children at C and no decision before C depends on a byte after C. Every
// decision before C reads at most up to the next '<' (a tag, a reference, a
// stray '<'), or, for a comment, CDATA section or processing instruction, up
// to its end; so it holds when the last element before C ends there and every
// such construct opened before C also ends before it. Whether the scan stands
// between two children at C is then asked of the repair itself: in
// "<R>" + content[P0, C) + "<m/></R>", the marker "<m/>" must come out right
// before the end of R, and a child of R must end just before it. "</R" must
// not occur before C, so that R is still open there.
//
// The prolog (declaration, DOCTYPE, comments) is taken as final only when the
// repair keeps it unchanged up to the document element's start tag: each of
// its constructs was then complete within it.

namespace {

constexpr std::string_view kDeclaration = "<?xml";
constexpr std::string_view kMarker = "<m/>";
// A prolog not read by then is held with the rest of the answer.
constexpr size_t kLongestProlog = size_t(1) << 16;
// Pieces waiting for the helper thread.
constexpr size_t kQueuedPieces = 2;
// Bytes read into pieces that may stay in front of the text still to read.
constexpr size_t kDroppedBytes = size_t(1) << 18;

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The first "<" followed by a name start character at or after `from`: a
// start tag, unless something around it says otherwise. npos when none.
size_t findStartTag(std::string_view text, size_t from)
{
    for (size_t at = text.find('<', from); at != std::string_view::npos; at = text.find('<', at + 1)) {
        if (at + 1 < text.size() && isNameStart(text[at + 1]))
            return at;
    }
    return std::string_view::npos;
}

std::string_view nameAt(std::string_view text, size_t at)
{
    size_t end = at;
    while (end < text.size() && isNameChar(text[end]))
        ++end;
    return text.substr(at, end - at);
}

// Whether every comment, CDATA section and processing instruction that may
// open in `text` also ends in it. The last opener of each kind decides: the
// end found after it is also after every earlier one.
bool openersAreClosed(std::string_view text)
{
    size_t comment = std::string_view::npos;
    size_t cdata = std::string_view::npos;
    size_t pi = std::string_view::npos;
    const auto note = [&](size_t at) {
        if (text.compare(at, 4, "<!--") == 0)
            comment = at;
        else if (text.compare(at, 9, "<![CDATA[") == 0)
            cdata = at;
        else if (text[at + 1] == '?')
            pi = at;
    };
    size_t i = 0;
#if defined(__SSE2__)
    // Real answers hold none of them: look for "<!" and "<?" sixteen
    // positions at a time.
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i bang = _mm_set1_epi8('!');
    const __m128i question = _mm_set1_epi8('?');
    for (; i + 17 <= text.size(); i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + i + 1));
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(a, lt), _mm_or_si128(_mm_cmpeq_epi8(b, bang), _mm_cmpeq_epi8(b, question)));
        for (unsigned mask = unsigned(_mm_movemask_epi8(hit)); mask; mask &= mask - 1)
            note(i + size_t(__builtin_ctz(mask)));
    }
#endif
    for (; i + 1 < text.size(); ++i) {
        if (text[i] == '<' && (text[i + 1] == '!' || text[i + 1] == '?'))
            note(i);
    }
    const auto closed = [&](size_t opener, size_t skip, std::string_view end) {
        return opener == std::string_view::npos || text.find(end, opener + skip) != std::string_view::npos;
    };
    return closed(comment, 4, "-->") && closed(cdata, 9, "]]>") && closed(pi, 2, "?>");
}

// Repaired text ready to be parsed, with its outline.
struct Piece
{
    std::string text;
    XmlOutline outline;
};

// Only records are read from a piece, so its layout goes (a third of a real
// answer's bytes and half its nodes), and so do the parts of a record no one
// reads (another third: reference lists above all).
constexpr XmlRepair::Layout kPieceLayout = XmlRepair::Layout::Drop;

// Repaired where it lies, for text held in a buffer of its own.
Piece repairedPiece(std::string text)
{
    const XmlRepair repair(text, kPieceLayout, &recordElementsRead());
    Piece piece;
    piece.outline = repair.outline();
    if (!repair.changesNothing()) {
        text.resize(std::max(text.size(), repair.repairedSize()));
        repair.applyInPlace(text.data());
        text.resize(repair.repairedSize());
    }
    piece.text = std::move(text);
    return piece;
}

// Repaired into `buffer`, a spare one whose old bytes are only overwritten:
// growing a string writes zeros first, as much work as the copy.
Piece repairedPiece(std::string_view text, std::string buffer)
{
    const XmlRepair repair(text, kPieceLayout, &recordElementsRead());
    Piece piece;
    piece.outline = repair.outline();
    buffer.resize(repair.repairedSize());
    repair.applyTo(buffer.data());
    piece.text = std::move(buffer);
    return piece;
}

// Parses pieces and extracts their records, in order, on a helper thread
// when the machine has a second core, on the caller's otherwise.
//
// Handing a record to the sink (for the command line, writing it out) is a
// good part of the work, and the one part either thread can do: records wait
// in order for whichever thread would otherwise wait, the caller's while the
// queue of pieces is full, the helper's while it is empty. So neither thread
// idles while the other has work they could share.
class PieceReader
{
public:
    PieceReader(std::string_view elinkBase, const EfetchStreamReader::Sink &sink)
        : m_elinkBase(elinkBase)
        , m_sink(sink)
    {
    }
    ~PieceReader() { stop(); }

    void add(Piece piece, bool last)
    {
        if (!m_helper.joinable() && (last || std::thread::hardware_concurrency() < 2)) {
            std::vector<ArticleRecord> records = read(piece);
            for (ArticleRecord &record : records)
                m_sink(std::move(record));
            return;
        }
        if (!m_helper.joinable())
            m_helper = std::jthread([this](std::stop_token stop) { run(stop); });
        std::unique_lock lock(m_mutex);
        while (m_queue.size() >= kQueuedPieces) {
            if (!deliver(lock, [&] { return m_queue.size() >= kQueuedPieces; }))
                m_changed.wait(lock);
        }
        m_queue.push_back(std::move(piece));
        m_changed.notify_all();
    }

    // Returns once every piece added was read and its records handed on.
    void finish()
    {
        if (!m_helper.joinable())
            return;
        std::unique_lock lock(m_mutex);
        while (!m_queue.empty() || m_busy || m_delivering || !m_ready.empty()) {
            if (!deliver(lock, [] { return true; }))
                m_changed.wait(lock);
        }
        lock.unlock();
        stop();
    }

    // Drops the pieces and records still waiting and ends the helper.
    void stop()
    {
        if (!m_helper.joinable())
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_queue.clear();
            m_ready.clear();
        }
        m_helper.request_stop();
        m_helper.join();
        m_helper = std::jthread();
    }

    qsizetype records() const { return m_records; }
    qsizetype droppedPmids() const { return m_droppedPmids; }

    // A buffer for the next piece, one a read piece left when there is one,
    // with its bytes still in it: fresh buffers of a piece's size cost the
    // kernel a page fault each few kilobytes, as much as the copy into them.
    std::string spareBuffer()
    {
        const std::lock_guard lock(m_mutex);
        if (m_spare.empty())
            return {};
        std::string buffer = std::move(m_spare.back());
        m_spare.pop_back();
        return buffer;
    }

private:
    void run(std::stop_token stop)
    {
        std::unique_lock lock(m_mutex);
        const auto idle = [&] { return m_queue.empty() || m_ready.size() > kReadyRecords; };
        while (m_changed.wait(lock, stop, [&] { return !m_queue.empty() || (!m_ready.empty() && !m_delivering); })) {
            if (idle() && deliver(lock, idle))
                continue;
            if (m_queue.empty())
                continue;
            Piece piece = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
            m_changed.notify_all();
            lock.unlock();
            std::vector<ArticleRecord> records = read(piece);
            lock.lock();
            std::move(records.begin(), records.end(), std::back_inserter(m_ready));
            keepSpare(std::move(piece.text));
            m_busy = false;
            m_changed.notify_all();
        }
    }

    std::vector<ArticleRecord> read(Piece &piece)
    {
        std::vector<ArticleRecord> records;
        forEachContentNode(piece.text.data(), piece.outline, m_tree, [&](pugi::xml_node node) {
            if (!isRecordNode(node))
                return;
            records.push_back(articleForNode(node, m_elinkBase, m_builder));
            ++m_records;
            m_droppedPmids += m_builder.dropsPmid();
        });
        return records;
    }

    // With m_mutex held: hands ready records to the sink, in order and one
    // at a time, for as long as `more` holds; not while the other thread
    // does. Returns whether it handed on any.
    template <typename More>
    bool deliver(std::unique_lock<std::mutex> &lock, More more)
    {
        if (m_delivering || m_ready.empty())
            return false;
        m_delivering = true;
        do {
            ArticleRecord record = std::move(m_ready.front());
            m_ready.pop_front();
            lock.unlock();
            m_sink(std::move(record));
            lock.lock();
        } while (!m_ready.empty() && more());
        m_delivering = false;
        m_changed.notify_all();
        return true;
    }

    // With m_mutex held.
    void keepSpare(std::string &&buffer)
    {
        if (m_spare.size() < kSpareBuffers)
            m_spare.push_back(std::move(buffer));
    }

    static constexpr size_t kSpareBuffers = 1;
    // Past this many records waiting, the helper hands them on even with
    // pieces to read, so they cannot pile up when neither thread waits.
    static constexpr size_t kReadyRecords = 32;

    std::string_view m_elinkBase;
    const EfetchStreamReader::Sink &m_sink;
    pugi::xml_document m_tree;
    ArticleRecord::Builder m_builder;
    qsizetype m_records = 0;
    qsizetype m_droppedPmids = 0;

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<Piece> m_queue;
    std::deque<ArticleRecord> m_ready;
    std::vector<std::string> m_spare;
    bool m_busy = false;
    bool m_delivering = false;
    std::jthread m_helper; // last, so it ends before the rest goes
};

} // namespace

class EfetchStreamReader::Impl
{
public:
    Impl(std::string elinkBase, Sink sink, size_t maxBytes, size_t pieceBytes)
        : m_elinkBase(std::move(elinkBase))
        , m_sink(std::move(sink))
        , m_maxBytes(maxBytes)
        , m_pieceBytes(std::max(pieceBytes, size_t(1)))
    {
        start();
    }

    void append(std::string_view bytes)
    {
        if (!keepsBytes()) {
            appended(bytes);
            return;
        }
        char *const into = room(bytes.size());
        std::memcpy(into, bytes.data(), bytes.size());
        appended({into, bytes.size()});
    }

    qint64 appendRead(qint64 max, const std::function<qint64(char *, qint64)> &read)
    {
        char *const into = room(size_t(std::max(max, qint64(0))));
        const qint64 n = read(into, max);
        if (n > 0)
            appended({into, size_t(n)});
        return n;
    }

    size_t heldBytes() const { return m_text.capacity() + m_scratch.capacity(); }

    qsizetype finish()
    {
        if (m_stage != Stage::Failed && !m_utf8.finish())
            fail();
        if (m_stage != Stage::Failed && m_stage != Stage::Done) {
            replaceEntities(true);
            advance(true);
        }
        m_pieces->finish();
        if (m_total > m_maxBytes)
            return 0;
        if (!m_utf8.finish())
            return -1;
        if (m_stage != Stage::Done)
            return 0;
        logDroppedPmids(m_pieces->droppedPmids());
        return m_pieces->records();
    }

    void start()
    {
        m_pieces.reset();
        m_pieces = std::make_unique<PieceReader>(m_elinkBase, m_sink);
        m_stage = Stage::SeekingDeclaration;
        m_utf8.reset();
        m_total = 0;
        m_text.clear();
        m_front = 0;
        m_end = 0;
        m_replaced = 0;
        m_searched = 0;
        m_root.clear();
        m_childEndTag.clear();
        m_childSearched = 0;
        m_nextCut = 0;
        m_cutSearched = 0;
    }

private:
    enum class Stage {
        SeekingDeclaration, // no "<?xml" yet: only the last few bytes are kept
        Prolog,             // the text starts at "<?xml"
        Content,            // the text starts between two children of the document element
        Whole,              // the text starts at "<?xml" and is read when it ends
        Done,               // the envelope has ended: the rest is only checked
        Failed,             // too large, not UTF-8, or no document
    };

    void fail()
    {
        m_stage = Stage::Failed;
        m_pieces->stop();
        m_text = std::string();
        m_front = 0;
        m_end = 0;
    }

    // Whether appended bytes are kept to be read, not only checked.
    bool keepsBytes() const { return m_stage != Stage::Failed && m_stage != Stage::Done; }

    // Where the next `n` bytes go: after the text while it is kept, else in
    // a scratch buffer. The text's string is never shortened, so that room
    // taken again is not written with zeros first.
    char *room(size_t n)
    {
        std::string &into = keepsBytes() ? m_text : m_scratch;
        const size_t at = keepsBytes() ? m_end : 0;
        if (into.size() < at + n)
            into.resize(at + n);
        return into.data() + at;
    }

    // `bytes`, just written where room() said, are the answer's next.
    void appended(std::string_view bytes)
    {
        m_total += bytes.size();
        if (m_stage == Stage::Failed)
            return;
        if (m_total > m_maxBytes || !m_utf8.append(bytes)) {
            fail();
            return;
        }
        if (m_stage == Stage::Done)
            return;
        m_end += bytes.size();
        replaceEntities(false);
        advance(false);
    }

    // Replaces the entities in the bytes not yet scanned; with `final`, up to the end.
    void replaceEntities(bool final)
    {
        char *const raw = m_text.data() + m_front + m_replaced;
        const size_t rawSize = m_end - m_front - m_replaced;
        const EntityReplacement done =
            final ? EntityReplacement{replaceResponseEntities(raw, rawSize), rawSize} : replaceResponseEntitiesSoFar(raw, rawSize);
        if (done.written != done.consumed)
            std::memmove(raw + done.written, raw + done.consumed, rawSize - done.consumed);
        m_end -= done.consumed - done.written;
        m_replaced += done.written;
    }

    std::string_view replacedText() const { return {m_text.data() + m_front, m_replaced}; }

    // Drops the first `n` bytes of the text; offsets into it move along. The
    // bytes dropped leave the buffer only once they are many and outweigh
    // the rest, so that a byte is moved about once, not once a piece; the
    // few just before the front stay, room for the document element's start
    // tag in front of a piece.
    void dropFront(size_t n)
    {
        m_front += n;
        m_replaced -= n;
        m_searched = m_searched > n ? m_searched - n : 0;
        m_cutSearched = m_cutSearched > n ? m_cutSearched - n : 0;
        const size_t room = std::min(m_front, m_root.size() + 2);
        if (m_front - room >= kDroppedBytes && m_front > m_end - m_front) {
            const size_t dropped = m_front - room;
            std::memmove(m_text.data(), m_text.data() + dropped, m_end - dropped);
            m_end -= dropped;
            m_front = room;
        }
    }

    // The answer's text [0, end) from the front as the content of the
    // document element, followed by `tail`, repaired into a piece. The start
    // tag is written over the dropped bytes before the front and the tail
    // over the bytes after the end, which are put back afterwards; so the
    // text is read where it lies and copied once, by the repair.
    Piece framedPiece(size_t end, std::string_view tail)
    {
        const std::string startTag = rootStartTag();
        const size_t begin = m_front - startTag.size();
        const size_t tailBegin = m_front + end;
        const std::string after = m_text.substr(tailBegin, std::min(tail.size(), m_end - tailBegin));
        m_text.replace(begin, startTag.size(), startTag);
        if (m_text.size() < tailBegin + tail.size())
            m_text.resize(tailBegin + tail.size());
        m_text.replace(tailBegin, tail.size(), tail);
        Piece piece = repairedPiece(std::string_view(m_text).substr(begin, tailBegin + tail.size() - begin),
                                    m_pieces->spareBuffer());
        m_text.replace(tailBegin, after.size(), after);
        return piece;
    }

    void advance(bool final)
    {
        if (m_stage == Stage::SeekingDeclaration && !seekDeclaration(final))
            return;

        const std::string_view closingTag = kEfetchClosingTag;
        const size_t close = findResponseText(replacedText(), closingTag, m_searched);
        if (close == std::string_view::npos) {
            if (final) {
                fail();
                return;
            }
            m_searched = std::max(m_searched, m_replaced >= closingTag.size() ? m_replaced - (closingTag.size() - 1) : 0);
            if (m_stage == Stage::Prolog)
                readProlog();
            if (m_stage == Stage::Content)
                cutPieces();
            return;
        }

        // The envelope is complete: the rest of the answer is only checked.
        const size_t end = close + closingTag.size();
        if (m_stage == Stage::Content) {
            m_pieces->add(framedPiece(end, {}), true);
        } else {
            m_text.resize(m_front + end);
            m_text.erase(0, m_front);
            m_pieces->add(repairedPiece(std::move(m_text)), true);
        }
        m_text = std::string();
        m_front = 0;
        m_end = 0;
        m_replaced = 0;
        m_stage = Stage::Done;
    }

    // Finds where the document starts, as responseEnvelope() does: at the
    // first "<?xml", or, in an answer that has none, at its first '<'; so the
    // text from the first '<' is kept until a declaration comes or the answer
    // ends. Returns whether the document is ready to be read on.
    bool seekDeclaration(bool final)
    {
        const std::string_view text = replacedText();
        const size_t at = findResponseText(text, kDeclaration, m_searched);
        const size_t firstTag = text.find('<');
        if (at != std::string_view::npos) {
            dropFront(at);
            m_stage = Stage::Prolog;
        } else if (!final) {
            const size_t tail = m_replaced - std::min(m_replaced, kDeclaration.size() - 1);
            dropFront(std::min(firstTag, tail));
            m_searched = m_replaced - std::min(m_replaced, kDeclaration.size() - 1);
            return false;
        } else if (firstTag == std::string_view::npos) {
            fail();
            return false;
        } else {
            dropFront(firstTag);
            m_stage = Stage::Whole;
        }
        m_searched = 0;
        return true;
    }

    std::string rootStartTag() const { return "<" + m_root + ">"; }
    std::string rootEndTag() const { return "</" + m_root + ">"; }

    // Takes the prolog as final when the repair keeps it as it is.
    void readProlog()
    {
        const std::string_view text = replacedText();
        const size_t tag = findStartTag(text, 0);
        const size_t tagEnd = tag == std::string_view::npos ? tag : text.find('>', tag);
        if (tagEnd == std::string_view::npos) {
            // Real prologs are short; a long one is read with the rest.
            if (text.size() > kLongestProlog)
                m_stage = Stage::Whole;
            return;
        }
        const std::string_view root = nameAt(text, tag + 1);
        const size_t contentBegin = tagEnd + 1;
        const XmlRepair prolog(std::string(text.substr(0, contentBegin)).append("</").append(root).append(">"));
        if (!prolog.changesNothing() || !prolog.outline().hasRoot || prolog.outline().contentBegin != contentBegin) {
            m_stage = Stage::Whole;
            return;
        }
        m_root = root;
        dropFront(contentBegin);
        m_stage = Stage::Content;
        m_nextCut = m_pieceBytes;
    }

    void cutPieces()
    {
        while (true) {
            const std::string_view text = replacedText();
            if (m_childEndTag.empty()) {
                const size_t first = findStartTag(text, m_childSearched);
                if (first == std::string_view::npos || first + 1 + nameAt(text, first + 1).size() == text.size()) {
                    m_childSearched = std::min(first, text.size() - std::min(text.size(), size_t(1)));
                    return;
                }
                m_childEndTag = "</" + std::string(nameAt(text, first + 1)) + ">";
            }
            if (text.size() < m_nextCut)
                return;
            const size_t from = std::max(m_nextCut - std::min(m_nextCut, m_childEndTag.size()), m_cutSearched);
            const size_t at = findResponseText(text, m_childEndTag, from);
            if (at == std::string_view::npos) {
                m_cutSearched = std::max(from, text.size() - std::min(text.size(), m_childEndTag.size() - 1));
                return;
            }
            const size_t cut = at + m_childEndTag.size();
            std::optional<Piece> piece = pieceBefore(cut);
            if (!piece) {
                // Not a safe cut. Trying again only after the text has
                // doubled keeps hostile input linear.
                m_nextCut = 2 * cut;
                return;
            }
            m_pieces->add(std::move(*piece), false);
            dropFront(cut);
            m_nextCut = m_pieceBytes;
        }
    }

    // The repaired piece before `cut`, when the cut is safe.
    std::optional<Piece> pieceBefore(size_t cut)
    {
        const std::string_view content = replacedText().substr(0, cut);
        if (!openersAreClosed(content) || findResponseText(content, "</" + m_root, 0) != std::string_view::npos)
            return std::nullopt;
        Piece piece = framedPiece(cut, std::string(kMarker).append(rootEndTag()));
        XmlOutline &outline = piece.outline;
        const size_t markerBegin = outline.contentEnd - std::min(outline.contentEnd, kMarker.size());
        const size_t children = outline.childEnds.size();
        if (!outline.hasRoot || std::string_view(piece.text).substr(markerBegin, kMarker.size()) != kMarker
            || markerBegin < outline.contentBegin || children < 2 || outline.childEnds[children - 1] != outline.contentEnd
            || outline.childEnds[children - 2] != markerBegin)
            return std::nullopt;
        outline.childEnds.pop_back();
        if (!outline.layoutBefore.empty()) {
            outline.layoutBefore.pop_back();
            outline.unreadTagsBefore.pop_back();
        }
        outline.contentEnd = markerBegin;
        return piece;
    }

    const std::string m_elinkBase;
    const Sink m_sink;
    const size_t m_maxBytes;
    const size_t m_pieceBytes;

    Stage m_stage = Stage::SeekingDeclaration;
    Utf8Validator m_utf8;
    size_t m_total = 0;
    // Holds the bytes after the envelope, which are only checked.
    std::string m_scratch;
    // From m_front on, the answer from where the next piece begins: the
    // first m_replaced bytes with the entities replaced, then bytes still to
    // be scanned for them. Offsets below count from m_front.
    std::string m_text;
    size_t m_front = 0;
    size_t m_end = 0; // the text ends here; bytes after it are room for the next
    size_t m_replaced = 0;
    size_t m_searched = 0;    // the closing tag does not begin before this
    std::string m_root;       // the document element's name, once the prolog is read
    std::string m_childEndTag; // where cuts are looked for: the end tag of its first child
    size_t m_childSearched = 0; // no start tag of a child begins before this
    size_t m_nextCut = 0;     // no cut is tried before this size
    size_t m_cutSearched = 0; // no cut candidate begins before this
    std::unique_ptr<PieceReader> m_pieces;
};

EfetchStreamReader::EfetchStreamReader(std::string elinkBase, Sink sink, size_t maxBytes, size_t pieceBytes)
    : d(std::make_unique<Impl>(std::move(elinkBase), std::move(sink), maxBytes, pieceBytes))
{
}

EfetchStreamReader::~EfetchStreamReader() = default;

void EfetchStreamReader::append(std::string_view bytes)
{
    d->append(bytes);
}

qint64 EfetchStreamReader::appendRead(qint64 max, const std::function<qint64(char *, qint64)> &read)
{
    return d->appendRead(max, read);
}

qsizetype EfetchStreamReader::finish()
{
    return d->finish();
}

size_t EfetchStreamReader::heldBytes() const
{
    return d->heldBytes();
}

void EfetchStreamReader::reset()
{
    d->start();
}
