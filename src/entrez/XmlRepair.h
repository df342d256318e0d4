#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where the document element's content lies in the text the repair hands on
// (the input when nothing was changed, the output otherwise). Every offset in
// `childEnds` is just after an element child of the document element; cutting
// the content there splits no node, so each piece can be parsed on its own.
struct XmlOutline
{
    bool hasRoot = false;
    size_t contentBegin = 0;
    size_t contentEnd = 0;
    std::vector<size_t> childEnds;
    // With layout dropped, the bytes of it (and of unread elements, as they
    // would be written) dropped before each child end since the one before
    // (or the content's beginning); empty otherwise.
    std::vector<size_t> layoutBefore;
    // In the same way, the tags ("<") the unread elements dropped would have
    // written.
    std::vector<size_t> unreadTagsBefore;
};

// The lenient repair that stands in for a tidy parse: one linear scan that
// turns any text into well-formed XML, keeping every well-formed element in
// place.
// - A "<" that does not open a well-formed start or end tag, comment, CDATA
//   section, DOCTYPE (before the document element) or processing instruction
//   is text, written "&lt;". A "&" that does not start a reference to one of
//   the five predefined entities or to a valid XML character is text, "&amp;".
// - Inside an attribute value a quote is taken as the closing one only when
//   the rest reads as the end of the tag or as the next attribute; any other
//   quote belongs to the value and is escaped. A "<" ends no value: a tag
//   holding one is text, as XML forbids it there.
// - An end tag closes the open elements above its match; an end tag without a
//   match is dropped; elements still open at the end are closed.
// - Text and elements outside the document element are dropped; NUL bytes,
//   which XML cannot hold, are dropped everywhere.
// - Elements nest at most kMaxXmlDepth deep: a start tag deeper than that is
//   text, so that a run of start tags never left open costs an element, and
//   a closing tag, each. (Real answers nest about ten deep.)
// Nothing external is ever loaded. Well-formed input passes through
// unchanged.
//
// One scan finds every change; they are applied afterwards, to a copy or in
// place, so a large answer can be repaired in its own buffer. A run of text
// holding characters to escape is recorded as one change, however many it
// holds, so the record stays small whatever the answer holds.
inline constexpr size_t kMaxXmlDepth = 256;

// Which elements inside the children of the document element a reader looks
// at. The repair can drop the others with all they hold, so that they cost no
// parse; it asks along each path down from a child of the document element.
class XmlElementsRead
{
public:
    static constexpr int kAll = -1;  // the element and all it holds are read
    static constexpr int kNone = -2; // nothing of the element is read
    virtual ~XmlElementsRead() = default;
    // For a child of the document element: kAll or a state of its own (>= 0).
    virtual int child(std::string_view name) const = 0;
    // For an element named `name` inside one in state `parent` (>= 0): kAll,
    // kNone or a state of its own.
    virtual int child(int parent, std::string_view name) const = 0;
};

class XmlRepair
{
public:
    // What becomes of layout: a run of white space holding a line break
    // between two pieces of markup the repair keeps. Readers take such a run
    // for indentation and skip it (see isContentText), so dropping it changes
    // no text they read, only the size of the tree. It is kept by default,
    // since a record's own XML is stored as it came.
    enum class Layout : uint8_t { Keep, Drop };

    // Scans `input`, which must outlive this object. With `read`, the
    // elements it says no one reads are dropped, with their content, as if
    // they were layout: the outline counts them with it.
    explicit XmlRepair(std::string_view input, Layout layout = Layout::Keep, const XmlElementsRead *read = nullptr);

    // True when `input` is well-formed as it stands.
    bool changesNothing() const { return m_edits.empty(); }
    size_t repairedSize() const { return m_repairedSize; }
    // The outline of the repaired text.
    const XmlOutline &outline() const { return m_outline; }
    // Heap bytes of the recorded changes.
    size_t recordBytes() const { return m_edits.capacity() * sizeof(Edit) + m_texts.capacity(); }

    std::string repaired() const;
    // Turns the input into the repaired text where it lies: `data` holds the
    // bytes of the input (in its place or a copy) and has room for
    // repairedSize() of them.
    void applyInPlace(char *data) const;
    // Writes the repaired text to `out`, which has room for repairedSize()
    // bytes and does not overlap the input.
    void applyTo(char *out) const;

    // How the input bytes of an edit are written.
    enum class Writing : uint8_t {
        Text,           // as m_texts[text, text + outLength)
        EscapedContent, // as text content: "<" as "&lt;", "&" as "&amp;" unless it starts a reference, NUL dropped
        EscapedDoubleQuoted, // as a value in double quotes: '"' as "&quot;", "&" and NUL as in content
        EscapedSingleQuoted, // as a value in single quotes: "'" as "&apos;", "&" and NUL as in content
    };
    // Input bytes [from, to) become outLength bytes.
    struct Edit
    {
        size_t from;
        size_t to;
        size_t outLength;
        size_t text;
        Writing writing;
    };

private:
    std::string_view m_input;
    std::vector<Edit> m_edits; // in input order, not overlapping
    std::string m_texts;
    XmlOutline m_outline;
    size_t m_repairedSize = 0;
};

// Returns false when `input` is already well-formed: nothing is written and
// the input is the text to parse. Otherwise returns true with the repaired
// text in `output` (replaced). `outline`, when given, describes the text to
// parse either way.
bool repairXml(std::string_view input, std::string &output, XmlOutline *outline = nullptr);

// The well-formed text for `input`, whether or not anything had to change.
std::string repairedXml(std::string_view input);
