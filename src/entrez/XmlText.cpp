#include "entrez/XmlText.h"

#include <cassert>

bool isWhitespaceOnly(const char *text)
{
    for (; *text; ++text) {
        if (*text != ' ' && *text != '\n' && *text != '\t' && *text != '\r')
            return false;
    }
    return true;
}

bool isContentText(pugi::xml_node node)
{
    if (node.type() == pugi::node_cdata)
        return true;
    if (node.type() != pugi::node_pcdata)
        return false;
    const char *text = node.value();
    return !isWhitespaceOnly(text) || !std::strpbrk(text, "\n\r");
}

void appendStringValue(pugi::xml_node node, std::string &out)
{
    if (node.type() != pugi::node_element && node.type() != pugi::node_document) {
        if (isContentText(node))
            out.append(node.value());
        return;
    }
    pugi::xml_node current = node.first_child();
    while (current) {
        const pugi::xml_node_type type = current.type();
        if (type == pugi::node_element) {
            if (const pugi::xml_node child = current.first_child()) {
                current = child;
                continue;
            }
        } else if ((type == pugi::node_pcdata || type == pugi::node_cdata) && isContentText(current)) {
            out.append(current.value());
        }
        while (!current.next_sibling()) {
            current = current.parent();
            if (current == node)
                return;
        }
        current = current.next_sibling();
    }
}

namespace {

// `name` without its namespace prefix.
const char *localName(const char *name)
{
    const char *colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

// The script of a MathML msub, msup or msubsup: its second or third element.
TextStyles scriptStyle(pugi::xml_node element)
{
    const pugi::xml_node parent = element.parent();
    const char *parentName = localName(parent.name());
    const bool sub = std::strcmp(parentName, "msub") == 0;
    const bool sup = std::strcmp(parentName, "msup") == 0;
    const bool subsup = std::strcmp(parentName, "msubsup") == 0;
    if (!sub && !sup && !subsup)
        return {};
    int position = 0;
    for (pugi::xml_node sibling = parent.first_child(); sibling != element; sibling = sibling.next_sibling())
        position += sibling.type() == pugi::node_element;
    if (position == 1)
        return sup ? TextStyle::Superscript : TextStyle::Subscript;
    if (position == 2 && subsup)
        return TextStyle::Superscript;
    return {};
}

TextStyles styleOf(pugi::xml_node element)
{
    const char *name = element.name();
    if (std::strcmp(name, "i") == 0)
        return TextStyle::Italic;
    if (std::strcmp(name, "b") == 0)
        return TextStyle::Bold;
    if (std::strcmp(name, "sup") == 0)
        return TextStyle::Superscript;
    if (std::strcmp(name, "sub") == 0)
        return TextStyle::Subscript;
    return scriptStyle(element);
}

} // namespace

void appendStyledStringValue(pugi::xml_node node, std::string &out, std::vector<StyledStretch> &stretches,
                             std::vector<std::pair<pugi::xml_node, TextStyles>> &stack)
{
    if (node.type() != pugi::node_element && node.type() != pugi::node_document) {
        appendStringValue(node, out);
        return;
    }
    // The style in force, and for each open element that changed it the
    // style to go back to when it closes.
    TextStyles style;
    stack.clear();
    pugi::xml_node current = node.first_child();
    while (current) {
        const pugi::xml_node_type type = current.type();
        if (type == pugi::node_element) {
            if (const pugi::xml_node child = current.first_child()) {
                if (const TextStyles own = styleOf(current); own && (style | own) != style) {
                    stack.emplace_back(current, style);
                    style |= own;
                }
                current = child;
                continue;
            }
        } else if ((type == pugi::node_pcdata || type == pugi::node_cdata) && isContentText(current)) {
            const size_t begin = out.size();
            out.append(current.value());
            if (style && out.size() > begin) {
                if (!stretches.empty() && stretches.back().end == begin && stretches.back().style == style)
                    stretches.back().end = out.size();
                else
                    stretches.push_back({begin, out.size(), style});
            }
        }
        while (!current.next_sibling()) {
            current = current.parent();
            if (current == node)
                return;
            if (!stack.empty() && stack.back().first == current) {
                style = stack.back().second;
                stack.pop_back();
            }
        }
        current = current.next_sibling();
    }
}

std::string stringValue(pugi::xml_node node)
{
    std::string out;
    appendStringValue(node, out);
    return out;
}

bool isRecordNode(pugi::xml_node node)
{
    switch (node.type()) {
    case pugi::node_element:
        return true;
    case pugi::node_pcdata:
    case pugi::node_cdata:
        return !isWhitespaceOnly(node.value());
    default:
        return false;
    }
}

ChildPathSet::ChildPathSet(std::initializer_list<std::string_view> paths)
{
    int id = 0;
    for (std::string_view path : paths)
        add(id++, path);
}

ChildPathSet::ChildPathSet(std::initializer_list<std::pair<int, std::string_view>> paths)
{
    for (const auto &[id, path] : paths)
        add(id, path);
}

void ChildPathSet::add(int id, std::string_view path)
{
    if (m_steps.empty())
        m_steps.push_back({});
    {
        int at = 0;
        int depth = 0;
        while (!path.empty()) {
            const size_t slash = path.find('/');
            const std::string_view name = path.substr(0, slash);
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
            int next = -1;
            for (int child : m_steps[size_t(at)].children) {
                if (m_steps[size_t(child)].name == name)
                    next = child;
            }
            if (next < 0) {
                next = int(m_steps.size());
                m_steps.push_back({std::string(name), -1, {}});
                m_steps[size_t(at)].children.push_back(next);
            }
            at = next;
            ++depth;
        }
        assert(depth > 0 && depth < 16);
        assert(m_steps[size_t(at)].query < 0); // one id per path
        m_steps[size_t(at)].query = id;
    }
}

int ChildPathSet::childStep(int step, std::string_view name) const
{
    for (int child : m_steps[size_t(step)].children) {
        if (m_steps[size_t(child)].name == name)
            return child;
    }
    return -1;
}

int ChildPathSet::queryEndingAt(int step) const
{
    const Step &s = m_steps[size_t(step)];
    return s.children.empty() ? s.query : -1;
}

pugi::xml_node ChildPathSet::firstMatch(pugi::xml_node context, int id) const
{
    pugi::xml_node found;
    forEachMatch(context, [&](int query, pugi::xml_node node) {
        if (query != id)
            return true;
        found = node;
        return false;
    });
    return found;
}
