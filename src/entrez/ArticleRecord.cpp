#include "ArticleRecord.h"

#include "entrez/Pmid.h"

#include <QVariantMap>

namespace {
constexpr size_t index(ArticleRecord::Key key)
{
    return size_t(key);
}
} // namespace

QString ArticleRecord::keyName(Key key)
{
    const std::string_view name = KeyNames[index(key)];
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

std::optional<ArticleRecord::Key> ArticleRecord::keyNamed(QStringView name)
{
    for (size_t i = 0; i < KeyNames.size(); ++i) {
        if (name == QLatin1StringView(KeyNames[i].data(), qsizetype(KeyNames[i].size())))
            return Key(i);
    }
    return std::nullopt;
}

std::string &ArticleRecord::Builder::text(Key key)
{
    return m_text[index(key)];
}

void ArticleRecord::Builder::addAuthor(std::string_view lastname, std::string_view initials)
{
    if (m_authorBounds.empty())
        m_authorBounds.push_back(0);
    m_authorText.append(lastname);
    m_authorBounds.push_back(uint32_t(m_authorText.size()));
    m_authorText.append(initials);
    m_authorBounds.push_back(uint32_t(m_authorText.size()));
}

void ArticleRecord::Builder::clear()
{
    for (std::string &t : m_text)
        t.clear();
    m_authorText.clear();
    m_authorBounds.clear();
}

bool ArticleRecord::Builder::dropsPmid() const
{
    const std::string &pmid = m_text[index(Key::PMID)];
    return !pmid.empty() && !isPmid(pmid);
}

ArticleRecord ArticleRecord::Builder::build(std::string_view elinkBase) const
{
    // "Last Initials, " per author; the final comma goes, its space stays.
    std::string authorsString;
    const size_t authorCount = m_authorBounds.empty() ? 0 : (m_authorBounds.size() - 1) / 2;
    for (size_t i = 0; i < authorCount; ++i) {
        authorsString.append(m_authorText, m_authorBounds[2 * i], m_authorBounds[2 * i + 1] - m_authorBounds[2 * i]);
        authorsString.push_back(' ');
        authorsString.append(m_authorText, m_authorBounds[2 * i + 1], m_authorBounds[2 * i + 2] - m_authorBounds[2 * i + 1]);
        authorsString.append(", ");
    }
    if (authorsString.size() > 2)
        authorsString.erase(authorsString.size() - 2, 1);

    const std::string_view pmid = dropsPmid() ? std::string_view() : std::string_view(m_text[index(Key::PMID)]);
    std::string hyperlink;
    hyperlink.reserve(elinkBase.size() + 4 + pmid.size());
    hyperlink.append(elinkBase).append("&id=").append(pmid);

    ArticleRecord record;
    size_t total = m_authorText.size() + authorsString.size() + hyperlink.size();
    for (const std::string &t : m_text)
        total += t.size();
    record.m_buffer.reserve(total);
    for (int k = 0; k < KeyCount; ++k) {
        record.m_offsets[size_t(k)] = uint32_t(record.m_buffer.size());
        switch (Key(k)) {
        case Key::Authors:
            break;
        case Key::AuthorsString:
            record.m_buffer.append(authorsString);
            break;
        case Key::Hyperlink:
            record.m_buffer.append(hyperlink);
            break;
        case Key::PMID:
            record.m_buffer.append(pmid);
            break;
        default:
            record.m_buffer.append(m_text[size_t(k)]);
        }
    }
    const uint32_t authorBase = uint32_t(record.m_buffer.size());
    record.m_offsets[KeyCount] = authorBase;
    record.m_buffer.append(m_authorText);
    record.m_authorBounds.reserve(m_authorBounds.size());
    for (uint32_t b : m_authorBounds)
        record.m_authorBounds.push_back(authorBase + b);
    return record;
}

ArticleRecord::ArticleRecord() = default;

std::string_view ArticleRecord::utf8(Key key) const
{
    const size_t k = index(key);
    if (m_buffer.empty())
        return {};
    return std::string_view(m_buffer).substr(m_offsets[k], m_offsets[k + 1] - m_offsets[k]);
}

qsizetype ArticleRecord::authorCount() const
{
    return m_authorBounds.empty() ? 0 : qsizetype((m_authorBounds.size() - 1) / 2);
}

std::string_view ArticleRecord::authorLastnameUtf8(qsizetype i) const
{
    const size_t j = size_t(2 * i);
    return std::string_view(m_buffer).substr(m_authorBounds[j], m_authorBounds[j + 1] - m_authorBounds[j]);
}

std::string_view ArticleRecord::authorInitialsUtf8(qsizetype i) const
{
    const size_t j = size_t(2 * i + 1);
    return std::string_view(m_buffer).substr(m_authorBounds[j], m_authorBounds[j + 1] - m_authorBounds[j]);
}

AuthorEntry ArticleRecord::author(qsizetype i) const
{
    const std::string_view last = authorLastnameUtf8(i);
    const std::string_view initials = authorInitialsUtf8(i);
    return {QString::fromUtf8(last.data(), qsizetype(last.size())),
            QString::fromUtf8(initials.data(), qsizetype(initials.size()))};
}

QList<AuthorEntry> ArticleRecord::authors() const
{
    QList<AuthorEntry> list;
    list.reserve(authorCount());
    for (qsizetype i = 0; i < authorCount(); ++i)
        list.append(author(i));
    return list;
}

QVariant ArticleRecord::value(QStringView key) const
{
    const std::optional<Key> k = keyNamed(key);
    if (!k)
        return {};
    if (*k != Key::Authors)
        return text(*k);
    QVariantList list;
    for (const AuthorEntry &a : authors())
        list.append(QVariantMap{{QStringLiteral("lastname"), a.lastname}, {QStringLiteral("initials"), a.initials}});
    return list;
}

size_t ArticleRecord::memoryUsage() const
{
    return sizeof(*this) + (m_buffer.capacity() > 15 ? m_buffer.capacity() + 1 : 0)
        + m_authorBounds.capacity() * sizeof(uint32_t);
}
