#pragma once

#include "common/TextStyle.h"

#include <pugixml.hpp>

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Text of the parsed answers.
//
// Answers are parsed keeping whitespace-only text, and these functions decide
// which of it is content. Pretty-printed answers put element-only content
// (the article set, an author list, the levels of a MathML formula) on lines
// of their own, and the compact layout has no white space between elements at
// all, so whitespace-only text that holds a line break is layout and is left
// out. Any other text is content: the space in "<i>Homo</i> <i>sapiens</i>"
// stays, and so does the blank of "<mml:mtext> </mml:mtext>".

bool isWhitespaceOnly(const char *text);

// Whether `node` is text (plain or CDATA) that belongs to the string value.
bool isContentText(pugi::xml_node node);

// Appends the string value of `node` (the XPath string value: all text below
// it in document order, markup removed, layout whitespace left out) to `out`.
// Iterative, so any depth is fine.
void appendStringValue(pugi::xml_node node, std::string &out);
std::string stringValue(pugi::xml_node node);

// The same text, also reporting the stretches in an inline style: <i>, <b>,
// <sup>, <sub>, and the scripts of MathML's msub, msup and msubsup. Calls
// style(begin, end, styles) with offsets into `out`, in ascending order, not
// overlapping; neighbouring stretches of the same styles come as one.
// `stack` is scratch space, reusable between calls.
struct StyledStretch
{
    size_t begin;
    size_t end;
    TextStyles style;
};
void appendStyledStringValue(pugi::xml_node node, std::string &out, std::vector<StyledStretch> &stretches,
                             std::vector<std::pair<pugi::xml_node, TextStyles>> &stack);

// Whether a child of the document element stands for a record: an element,
// or text that is not blank.
bool isRecordNode(pugi::xml_node node);

// A set of child-axis location paths ("A/B/C", relative to a context node,
// the same as XPath "./A/B/C"), evaluated together in one walk over the tree.
// Path i reports its matches under id i, in document order; with several
// paths, matches arrive in document order overall.
class ChildPathSet
{
public:
    ChildPathSet(std::initializer_list<std::string_view> paths);
    // The same with the id of each path given.
    ChildPathSet(std::initializer_list<std::pair<int, std::string_view>> paths);

    // Calls visit(id, node) for each match; visit returns false to stop.
    template <class Visit>
    void forEachMatch(pugi::xml_node context, Visit &&visit) const;

    // The first match of path `id`, or a null node.
    pugi::xml_node firstMatch(pugi::xml_node context, int id) const;

    // Steps along the paths, for those who follow them without a tree: 0 is
    // the context; the step named `name` below `step`, or -1 when no path
    // goes there.
    int childStep(int step, std::string_view name) const;
    // The id of the path that ends at `step` when none goes on below it, or -1.
    int queryEndingAt(int step) const;

private:
    void add(int id, std::string_view path);

    struct Step
    {
        std::string name;
        int query = -1;                // the path that ends here, or -1
        std::vector<int> children;     // indices into m_steps
    };
    std::vector<Step> m_steps;         // m_steps[0] is the context
};

template <class Visit>
void ChildPathSet::forEachMatch(pugi::xml_node context, Visit &&visit) const
{
    struct Frame
    {
        pugi::xml_node node; // next child to look at
        int step;
    };
    Frame stack[16];
    int depth = 0;
    stack[0] = {context.first_child(), 0};
    while (depth >= 0) {
        Frame &frame = stack[depth];
        const pugi::xml_node node = frame.node;
        if (!node) {
            --depth;
            continue;
        }
        frame.node = node.next_sibling();
        if (node.type() != pugi::node_element)
            continue;
        const char *name = node.name();
        for (int childStep : m_steps[size_t(frame.step)].children) {
            const Step &step = m_steps[size_t(childStep)];
            if (step.name[0] != name[0] || std::strcmp(step.name.c_str(), name) != 0)
                continue;
            if (step.query >= 0 && !visit(step.query, node))
                return;
            if (!step.children.empty() && depth + 1 < int(std::size(stack)))
                stack[++depth] = {node.first_child(), childStep};
            break;
        }
    }
}
