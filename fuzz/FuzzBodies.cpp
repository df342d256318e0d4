#include "FuzzBodies.h"

#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/PlainWriter.h"
#include "citations/RtfWriter.h"
#include "citations/StyledText.h"
#include "common/Endpoints.h"
#include "common/SystemLog.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/EfetchStream.h"
#include "entrez/HttpTransfer.h"
#include "entrez/Pmid.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/SearchResultParser.h"
#include "entrez/Utf8.h"
#include "entrez/XmlRepair.h"
#include "entrez/XmlText.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : failCheck(#condition, __FILE__, __LINE__))

[[noreturn]] void failCheck(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "property violated at %s:%d: %s\n", file, line, what);
    std::abort();
}

// Dropped ids are logged; millions of runs need no such lines on standard error.
[[maybe_unused]] const bool kQuietLog = (setSystemLogSink([](const QString &) {}), true);

QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// --- What "well-formed" means for the repair's promise to leave such input
// unchanged. pugixml in its strict mode is the judge, with the cases where it
// is laxer than XML left out, as the repair rightly changes them:
// - a NUL byte (pugixml stops reading there) or a leading byte-order mark
//   (pugixml skips it; to the repair it is text before the document element);
// - text or a second element outside the document element, a second
//   DOCTYPE, one after the document element, and one without white space and
//   a name (pugixml skips or allows them);
// - a "&" that starts no predefined entity or character reference to an XML
//   character (pugixml keeps it as text);
// - a "<" inside an attribute value (pugixml takes it as a character).

bool isXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool referencesAreValid(std::string_view text)
{
    for (size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
        const std::string_view rest = text.substr(at + 1);
        const size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos || semicolon == 0)
            return false;
        const std::string_view name = rest.substr(0, semicolon);
        if (name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos")
            continue;
        if (name[0] != '#' || name.size() < 2)
            return false;
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t value = 0;
        for (char d : digits) {
            uint32_t v;
            if (d >= '0' && d <= '9')
                v = uint32_t(d - '0');
            else if (hex && d >= 'a' && d <= 'f')
                v = uint32_t(d - 'a' + 10);
            else if (hex && d >= 'A' && d <= 'F')
                v = uint32_t(d - 'A' + 10);
            else
                return false;
            value = value * (hex ? 16 : 10) + v;
        }
        if (!isXmlChar(value))
            return false;
    }
    return true;
}

bool subtreeIsWellFormed(pugi::xml_node node)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::strchr(a.value(), '<') || !referencesAreValid(a.value()))
            return false;
    }
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata && !referencesAreValid(child.value()))
            return false;
        if (child.type() == pugi::node_element && !subtreeIsWellFormed(child))
            return false;
    }
    return true;
}

bool isWellFormed(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos || text.substr(0, 3) == "\xEF\xBB\xBF")
        return false;
    pugi::xml_document strict;
    if (strict.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8).status != pugi::status_ok)
        return false;
    // Parsed again as a fragment without escapes, to see what lies outside the
    // document element and the references as written.
    pugi::xml_document raw;
    const unsigned int rawOptions = pugi::parse_fragment | pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi
        | pugi::parse_declaration | pugi::parse_doctype;
    if (raw.load_buffer(text.data(), text.size(), rawOptions, pugi::encoding_utf8).status != pugi::status_ok)
        return false;
    int elements = 0;
    int doctypes = 0;
    for (pugi::xml_node child = raw.first_child(); child; child = child.next_sibling()) {
        switch (child.type()) {
        case pugi::node_element:
            ++elements;
            break;
        case pugi::node_doctype: {
            // XML wants white space and a name after "<!DOCTYPE"; pugixml does not.
            const ptrdiff_t at = child.offset_debug();
            const char first = child.value()[0];
            if (elements > 0 || ++doctypes > 1 || at < 1 || !std::strchr(" \t\r\n", text[size_t(at - 1)])
                || !(std::isalpha(static_cast<unsigned char>(first)) || first == '_' || first == ':'
                     || static_cast<unsigned char>(first) >= 0x80))
                return false;
            break;
        }
        case pugi::node_comment:
        case pugi::node_pi:
        case pugi::node_declaration:
            break;
        default:
            return false;
        }
    }
    return elements == 1 && subtreeIsWellFormed(raw);
}

// --- The repair's output promises.

void checkOutline(std::string_view text, const XmlOutline &outline)
{
    if (!outline.hasRoot) {
        FUZZ_CHECK(outline.childEnds.empty());
        return;
    }
    FUZZ_CHECK(outline.contentBegin <= outline.contentEnd && outline.contentEnd <= text.size());
    FUZZ_CHECK(outline.contentBegin > 0 && text[outline.contentBegin - 1] == '>');
    // Each piece between two cuts parses on its own, as forEachRootChild relies on.
    const unsigned int pieceOptions = pugi::parse_default | pugi::parse_fragment;
    size_t begin = outline.contentBegin;
    std::vector<size_t> cuts = outline.childEnds;
    cuts.push_back(outline.contentEnd);
    for (size_t cut : cuts) {
        FUZZ_CHECK(begin <= cut && cut <= outline.contentEnd);
        FUZZ_CHECK(cut == outline.contentEnd || text[cut - 1] == '>');
        pugi::xml_document piece;
        FUZZ_CHECK(piece.load_buffer(text.data() + begin, cut - begin, pieceOptions, pugi::encoding_utf8).status
                   == pugi::status_ok);
        begin = cut;
    }
}

bool sameOutline(const XmlOutline &a, const XmlOutline &b)
{
    return a.hasRoot == b.hasRoot && a.contentBegin == b.contentBegin && a.contentEnd == b.contentEnd
        && a.childEnds == b.childEnds;
}

bool sameRecord(const ArticleRecord &a, const ArticleRecord &b)
{
    for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
        const auto key = ArticleRecord::Key(k);
        if (a.utf8(key) != b.utf8(key) || a.itemsUtf8(key) != b.itemsUtf8(key) || a.inlineStyles(key) != b.inlineStyles(key))
            return false;
    }
    return a.authors() == b.authors() && a.kind() == b.kind();
}

// The extraction parses the answer a piece at a time; the pieces must yield
// the records a parse of the whole cleaned answer gives.
void checkSameAsWholeParse(const uint8_t *data, size_t size, const ArticleList &articles)
{
    static const std::string elinkBase = elinkBaseUrl(Endpoints());
    const std::unique_ptr<XmlDocument> document =
        XMLDocumentForResponse(std::string(reinterpret_cast<const char *>(data), size), kEfetchClosingTag);
    qsizetype i = 0;
    if (document) {
        for (pugi::xml_node node = document->root().first_child(); node; node = node.next_sibling()) {
            if (!isRecordNode(node))
                continue;
            FUZZ_CHECK(i < articles.size() && sameRecord(articleForNode(node, elinkBase), articles.at(i)));
            ++i;
        }
    }
    FUZZ_CHECK(i == articles.size());
}

// The UTF-8 check as it was first written, a byte at a time: the fast one
// must give its verdicts.
bool referenceIsValidUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    while (p < end) {
        const unsigned char c = *p;
        const ptrdiff_t left = end - p;
        if (c < 0x80) {
            ++p;
        } else if (c < 0xC2) {
            return false;
        } else if (c < 0xE0) {
            if (left < 2 || !continuation(p[1]))
                return false;
            p += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !continuation(p[1]) || !continuation(p[2]) || (c == 0xE0 && p[1] < 0xA0)
                || (c == 0xED && p[1] >= 0xA0))
                return false;
            p += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]) || (c == 0xF0 && p[1] < 0x90)
                || (c == 0xF4 && p[1] >= 0x90))
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Where the input is split into chunks, and how small pieces may be: drawn
// from a generator seeded with the input, so that every mutation of the
// input also moves the boundaries.
class Splits
{
public:
    Splits(const uint8_t *data, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            m_state = (m_state ^ data[i]) * 0x100000001B3ull;
    }
    // 1 to `most`, small sizes more often than large ones.
    size_t next(size_t most)
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        const size_t bound = size_t(1) << ((m_state >> 33) % 17);
        return 1 + size_t(m_state >> 40) % std::min(bound, most);
    }

private:
    uint64_t m_state = 0xCBF29CE484222325ull;
};

void checkUtf8Verdict(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const bool valid = referenceIsValidUtf8(bytes);
    FUZZ_CHECK(isValidUtf8(bytes) == valid);
    Splits splits(data, size);
    Utf8Validator validator;
    for (size_t at = 0; at < size;) {
        const size_t n = std::min(splits.next(size), size - at);
        validator.append(bytes.substr(at, n));
        at += n;
    }
    FUZZ_CHECK(validator.finish() == valid);
}

// The answer read as a stream, in chunks and pieces of sizes drawn from the
// input, gives what the whole answer gives.
void checkSameWhenStreamed(const uint8_t *data, size_t size, qsizetype appended, const ArticleList &articles)
{
    static const std::string elinkBase = elinkBaseUrl(Endpoints());
    Splits splits(data, size);
    for (int round = 0; round < 2; ++round) {
        ArticleList streamed;
        EfetchStreamReader reader(
            elinkBase, [&](ArticleRecord &&record) { streamed.append(std::move(record)); }, size_t(kMaxAnswerBytes),
            splits.next(4096));
        const std::string_view bytes(reinterpret_cast<const char *>(data), size);
        for (size_t at = 0; at < size;) {
            const size_t n = round == 0 ? size : std::min(splits.next(size), size - at);
            // Odd chunks are read into the reader's buffer, as a file is.
            if (n % 2 == 0) {
                reader.append(bytes.substr(at, n));
            } else {
                reader.appendRead(qint64(n), [&](char *into, qint64) {
                    std::memcpy(into, bytes.data() + at, n);
                    return qint64(n);
                });
            }
            at += n;
        }
        const qsizetype result = reader.finish();
        FUZZ_CHECK(result == appended);
        if (result > 0) {
            FUZZ_CHECK(streamed.size() == articles.size());
            for (qsizetype i = 0; i < streamed.size(); ++i)
                FUZZ_CHECK(sameRecord(streamed.at(i), articles.at(i)));
        }
    }
}

} // namespace

namespace FuzzBodies {

void efetchPipeline(const uint8_t *data, size_t size)
{
    static const Endpoints endpoints;
    static const std::string elinkBase = elinkBaseUrl(endpoints);

    ArticleList articles;
    const qsizetype appended = appendArticlesFromBytes(bytesOf(data, size), articles, elinkBase);
    FUZZ_CHECK(appended == articles.size() || (appended == -1 && articles.isEmpty()));
    if (appended >= 0)
        checkSameAsWholeParse(data, size, articles);
    checkUtf8Verdict(data, size);
    checkSameWhenStreamed(data, size, appended, articles);

    for (const ArticleRecord &article : std::as_const(articles)) {
        // The record's text comes from valid UTF-8 through ASCII-only edits.
        for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
            const auto key = ArticleRecord::Key(k);
            FUZZ_CHECK(isValidUtf8(article.utf8(key)));
            for (std::string_view item : article.itemsUtf8(key))
                FUZZ_CHECK(isValidUtf8(item));
            // Styled stretches cut the text only between characters and
            // never change it.
            for (const ArticleRecord::InlineStyle &style : article.inlineStyles(key))
                FUZZ_CHECK(style.begin < style.end && style.end <= article.utf8(key).size()
                           && isValidUtf8(article.utf8(key).substr(style.begin, style.end - style.begin)));
            FUZZ_CHECK(styledText(article, key).toPlainText() == article.text(key));
        }
        for (qsizetype i = 0; i < article.authorCount(); ++i)
            FUZZ_CHECK(isValidUtf8(article.authorLastnameUtf8(i)) && isValidUtf8(article.authorInitialsUtf8(i)));
        // Only a PMID reaches the record and its link.
        const std::string_view pmid = article.utf8(ArticleRecord::Key::PMID);
        FUZZ_CHECK(pmid.empty() || isPmid(pmid));
        FUZZ_CHECK(article.utf8(ArticleRecord::Key::Hyperlink) == elinkBase + "&id=" + std::string(pmid));
        const QString plain = citationStringForArticle(article);
        const RichText rich = citationAStringForArticle(article, endpoints);
        // Both leave out what the record lacks, so both are empty (but for
        // the rich form's closing line breaks) or neither is.
        FUZZ_CHECK(plain.isEmpty() == (rich.toPlainText() == QLatin1String("\n\n")));
        (void)doiUrlForArticle(article, endpoints);
        (void)urlDOIStringForArticle(article, endpoints);
        (void)article.value(u"authors");
    }

    const RichText text = exportTextForArticles(articles, endpoints);
    // The app copies selected rows: any order and repeats give the same text.
    QList<qsizetype> rows{-1, articles.size()};
    for (qsizetype i = articles.size(); i-- > 0;)
        rows << i << i;
    FUZZ_CHECK(exportTextForArticles(articles, rows, endpoints) == text);

    const QByteArray rtf = RtfWriter::write(text);
    FUZZ_CHECK(isAscii(rtf) && rtf.startsWith("{\\rtf1") && rtf.endsWith('}'));
    (void)HtmlWriter::write(text).toUtf8();
    (void)PlainWriter::write(text);
}

void esearch(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const std::optional<SearchResult> result = searchResultFromResponse(bytes);
    if (result) {
        FUZZ_CHECK(result->retrievedCount == result->PMIDs.size());
        for (const QString &pmid : result->PMIDs)
            FUZZ_CHECK(isPmid(pmid.toStdString()));
    }

    // The first line as an error's reason phrase: in the log it holds no
    // control character.
    const QString reason = logEscaped(httpStatusReason(500, bytes.left(bytes.indexOf('\n'))));
    for (const QChar c : reason)
        FUZZ_CHECK(c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() >= 0xa0));
}

void xmlRepair(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const XmlRepair repair(input);
    const std::string output = repair.changesNothing() ? std::string(input) : repair.repaired();
    FUZZ_CHECK(output.size() == repair.repairedSize());

    if (isWellFormed(input))
        FUZZ_CHECK(repair.changesNothing());

    // Applied in place, as the cleanup does, or to another buffer, as the
    // stream does, the edits give the same text.
    std::string inPlace(input);
    inPlace.resize(std::max(input.size(), output.size()));
    repair.applyInPlace(inPlace.data());
    inPlace.resize(output.size());
    FUZZ_CHECK(inPlace == output);
    std::string copied(output.size(), '\0');
    repair.applyTo(copied.data());
    FUZZ_CHECK(copied == output);

    pugi::xml_document document;
    const pugi::xml_parse_status status =
        document.load_buffer(output.data(), output.size(), pugi::parse_default, pugi::encoding_utf8).status;
    FUZZ_CHECK(status == (repair.outline().hasRoot ? pugi::status_ok : pugi::status_no_document_element));
    checkOutline(output, repair.outline());

    // The output is well-formed, so a second repair leaves it as it is.
    const XmlRepair again(output);
    FUZZ_CHECK(again.changesNothing());
    FUZZ_CHECK(sameOutline(again.outline(), repair.outline()));

    // Without its layout the text reads the same to a reader, its outline
    // fits it, and the layout dropped before each cut is what the cut's span
    // lost.
    const XmlRepair lean(input, XmlRepair::Layout::Drop);
    const std::string leanOutput = lean.changesNothing() ? std::string(input) : lean.repaired();
    checkOutline(leanOutput, lean.outline());
    const XmlOutline &kept = repair.outline();
    const XmlOutline &dropped = lean.outline();
    FUZZ_CHECK(dropped.childEnds.size() == kept.childEnds.size() && dropped.layoutBefore.size() == kept.childEnds.size());
    for (size_t i = 0; i < kept.childEnds.size(); ++i) {
        const auto span = [i](const XmlOutline &o) { return o.childEnds[i] - (i > 0 ? o.childEnds[i - 1] : o.contentBegin); };
        FUZZ_CHECK(span(dropped) + dropped.layoutBefore[i] == span(kept));
    }
    // With elements no one reads dropped too, the outline still tells each
    // cut's span and tags as written with everything kept.
    struct : XmlElementsRead
    {
        int child(std::string_view name) const override { return int(name.size() % 2); }
        int child(int parent, std::string_view name) const override
        {
            return name.size() % 3 == 0 ? kNone : name.size() % 3 == 1 ? kAll : (parent + 1) % 4;
        }
    } readSome;
    const XmlRepair unread(input, XmlRepair::Layout::Drop, &readSome);
    const std::string unreadOutput = unread.changesNothing() ? std::string(input) : unread.repaired();
    checkOutline(unreadOutput, unread.outline());
    const XmlOutline &pruned = unread.outline();
    FUZZ_CHECK(pruned.childEnds.size() == kept.childEnds.size() && pruned.unreadTagsBefore.size() == kept.childEnds.size());
    for (size_t i = 0; i < kept.childEnds.size(); ++i) {
        const auto begin = [i](const XmlOutline &o) { return i > 0 ? o.childEnds[i - 1] : o.contentBegin; };
        const auto tags = [&](const std::string &t, const XmlOutline &o) {
            return size_t(std::count(t.begin() + ptrdiff_t(begin(o)), t.begin() + ptrdiff_t(o.childEnds[i]), '<'));
        };
        FUZZ_CHECK(pruned.childEnds[i] - begin(pruned) + pruned.layoutBefore[i] == kept.childEnds[i] - begin(kept));
        FUZZ_CHECK(tags(unreadOutput, pruned) + pruned.unreadTagsBefore[i] == tags(output, kept));
    }
    const auto readText = [](std::string text) {
        pugi::xml_document document;
        document.load_buffer_inplace(text.data(), text.size(), kResponseParseOptions, pugi::encoding_utf8);
        return stringValue(document.document_element());
    };
    FUZZ_CHECK(readText(leanOutput) == readText(output));
}

} // namespace FuzzBodies
