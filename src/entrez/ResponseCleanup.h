#pragma once

#include "common/Endpoints.h"

#include <pugixml.hpp>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A parsed answer: owns the text buffer and the pugixml tree built in place
// over it, so node names and values stay valid as long as the document lives.
class XmlDocument
{
public:
    XmlDocument(std::string text, size_t begin, size_t end);
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Parses [begin, end) of the buffer; false when it yields no document element.
    bool parse();

    pugi::xml_node root() const; // the document element
    const pugi::xml_document &document() const { return m_document; }

private:
    std::string m_text;
    size_t m_begin;
    size_t m_end;
    pugi::xml_document m_document;
};

// The pugixml options every answer is parsed with: text and CDATA, references
// expanded, line ends normalised, whitespace-only text kept (so a space
// between two inline elements survives; XmlText tells layout from content),
// no declaration, DOCTYPE, comment or processing-instruction nodes.
inline constexpr unsigned int kResponseParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_wconv_attribute | pugi::parse_ws_pcdata;

// The four entity replacements, in order, over data[0, size): "&lt;" -> "<",
// "&gt;" -> ">", "&quot;" -> '"', then "&amp;amp;" -> "&amp;", each pass over
// the result of the one before and never rescanning its own output. Works in
// place (the text only shrinks) and returns the new size.
size_t replaceResponseEntities(char *data, size_t size);

// The envelope: from the first "<?xml" to the end of the first `closingTag`
// after it. Nothing when either is missing.
struct Envelope
{
    size_t begin = 0;
    size_t end = 0;
};
std::optional<Envelope> responseEnvelope(std::string_view text, std::string_view closingTag);

// The one cleanup and tidy parse applied to every E-utilities answer. `text`
// is UTF-8 and is consumed. Returns nullptr on failure: no "<?xml", no closing
// tag after it, no document, or text longer than `maxBytes`.
std::unique_ptr<XmlDocument> XMLDocumentForResponse(std::string text, std::string_view closingTag,
                                                    size_t maxBytes = size_t(kMaxAnswerBytes));
