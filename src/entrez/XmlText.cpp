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
    m_steps.push_back({});
    int id = 0;
    for (std::string_view path : paths) {
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
        m_steps[size_t(at)].query = id++;
    }
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
