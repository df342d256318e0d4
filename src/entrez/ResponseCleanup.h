#pragma once

#include "common/Endpoints.h"
#include "entrez/XmlRepair.h"

#include <QByteArray>

#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The four entity replacements, in order, over data[0, size): "&lt;" -> "<",
// "&gt;" -> ">", "&quot;" -> '"', then "&amp;amp;" -> "&amp;", each pass over
// the result of the one before, never rescanning its own output. Done in one
// scan: no replacement can create or break a match of a later pass, because
// every match starts at its only '&' and the characters put in contain none
// of the later patterns. Works in place (the text only shrinks) and returns
// the new size.
size_t replaceResponseEntities(char *data, size_t size);

// The same for text that goes on after data[0, size): replaces in place up to
// the first '&' that could start a match only with bytes still to come.
// `written` bytes of replaced text now stand at `data`; the `size - consumed`
// bytes from data + consumed were not looked at and must be scanned again,
// followed by more text (or with replaceResponseEntities when none follows).
// Scanning an answer in any number of such steps gives the text one call of
// replaceResponseEntities gives.
struct EntityReplacement
{
    size_t written;
    size_t consumed;
};
EntityReplacement replaceResponseEntitiesSoFar(char *data, size_t size);
// The longest of the four patterns: "&amp;amp;".
inline constexpr size_t kLongestEntityPattern = 9;

// First occurrence of `needle` in `text` at or after `from`, or npos; fast on
// long texts.
size_t findResponseText(std::string_view text, std::string_view needle, size_t from);

// The envelope: from the first "<?xml" (the first '<' in an answer without
// one) to the end of the first `closingTag` after it. Nothing when either is
// missing.
struct Envelope
{
    size_t begin = 0;
    size_t end = 0;
};
std::optional<Envelope> responseEnvelope(std::string_view text, std::string_view closingTag);

// The pugixml options every answer is parsed with: text and CDATA, references
// expanded, line ends normalised; no declaration, DOCTYPE, comment or PI
// nodes, and nothing external is ever loaded. Whitespace-only text is kept so
// that a space between two inline elements survives; XmlText tells such a
// space from layout.
inline constexpr unsigned int kResponseParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_wconv_attribute | pugi::parse_ws_pcdata;

// One answer after the replacements, the envelope cut and the repair: a
// well-formed text, ready to be parsed in place, and its outline. Owns the
// buffer the text lives in: the caller's, reused, as the repair is applied in
// place.
class CleanedResponse
{
public:
    // Nothing when the text is longer than `maxBytes` or holds no envelope.
    static std::optional<CleanedResponse> fromText(std::string text, std::string_view closingTag,
                                                   size_t maxBytes = size_t(kMaxAnswerBytes));
    static std::optional<CleanedResponse> fromBytes(QByteArray bytes, std::string_view closingTag,
                                                    size_t maxBytes = size_t(kMaxAnswerBytes));

    CleanedResponse(CleanedResponse &&) = default;
    CleanedResponse &operator=(CleanedResponse &&) = default;

    char *data() { return (m_inBytes ? m_bytes.data() : m_string.data()) + m_offset; }
    size_t size() const { return m_size; }
    std::string_view text() const { return {(m_inBytes ? m_bytes.constData() : m_string.data()) + m_offset, m_size}; }
    const XmlOutline &outline() const { return m_outline; }

private:
    CleanedResponse() = default;
    bool clean(char *data, size_t size, std::string_view closingTag);

    // The text is m_size bytes from m_offset of one of the two buffers.
    std::string m_string;
    QByteArray m_bytes;
    bool m_inBytes = false;
    size_t m_offset = 0;
    size_t m_size = 0;
    XmlOutline m_outline;
};

// A parsed answer: owns the text buffer and the pugixml tree built in place
// over it, so node names and values stay valid as long as the document lives.
class XmlDocument
{
public:
    explicit XmlDocument(CleanedResponse text);
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    pugi::xml_node root() const { return m_document.document_element(); } // the document element
    const pugi::xml_document &document() const { return m_document; }

private:
    CleanedResponse m_text;
    pugi::xml_document m_document;
};

// The one cleanup and tidy parse applied to every E-utilities answer. `text`
// is UTF-8 and is consumed. Returns nullptr on failure: no envelope, no
// document, or text longer than `maxBytes`.
std::unique_ptr<XmlDocument> XMLDocumentForResponse(std::string text, std::string_view closingTag,
                                                    size_t maxBytes = size_t(kMaxAnswerBytes));

// The bound of one record (one child of the document element): its tree takes
// several times its text, and one hostile record must not take gigabytes. A
// record whose text passes kMaxRecordBytes, or that holds more tags ("<")
// than recordTagBound() of its size, is dropped with a log line. Real
// records hold a tag every 15 bytes or more.
inline constexpr size_t kMaxRecordBytes = size_t(16) << 20;
inline constexpr size_t kRecordFreeTags = 65536;
inline constexpr size_t recordTagBound(size_t bytes)
{
    return kRecordFreeTags + bytes / 10;
}

// Calls `visit` for each child node of the document element of `text`, in
// document order, parsing the content a piece at a time: the pieces are cut
// just after an element child, so each yields exactly the nodes a parse of the
// whole text would, while only a few pieces' trees are in memory. A helper
// thread parses pieces ahead; `visit` is always called on the calling thread.
// The nodes live until `visit` returns. Records past the bound above are
// skipped. Does nothing when there is no document element.
void forEachRootChild(CleanedResponse &text, const std::function<void(pugi::xml_node)> &visit);

// The same on this thread alone, for a well-formed `text` and its outline (as
// XmlRepair gives them), with `tree` holding each piece while it is visited.
// `text` is parsed in place, so it is changed.
void forEachContentNode(char *text, const XmlOutline &outline, pugi::xml_document &tree,
                        const std::function<void(pugi::xml_node)> &visit);
