#include "ArticleRecord.h"

#include "entrez/Pmid.h"

#include <QVariantMap>

#include <algorithm>

namespace {
constexpr size_t index(ArticleRecord::Key key)
{
    return size_t(key);
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
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

void ArticleRecord::Builder::endItem(Key listKey)
{
    m_text[index(listKey)].push_back('\0');
}

void ArticleRecord::Builder::addStyle(Key key, size_t begin, size_t end, TextStyles style)
{
    if (begin < end && style)
        m_styles.push_back({key, {uint32_t(begin), uint32_t(end), style}});
}

void ArticleRecord::Builder::addAuthor(std::string_view lastname, std::string_view initials, std::string_view foreName,
                                       bool collective, std::string_view suffix)
{
    if (m_authorBounds.empty())
        m_authorBounds.push_back(0);
    m_authorText.append(lastname);
    m_authorBounds.push_back(uint32_t(m_authorText.size()) | (collective ? kCollectiveBit : 0));
    for (std::string_view part : {initials, foreName, suffix}) {
        m_authorText.append(part);
        m_authorBounds.push_back(uint32_t(m_authorText.size()));
    }
}

void ArticleRecord::Builder::clear()
{
    for (std::string &t : m_text)
        t.clear();
    m_authorText.clear();
    m_authorBounds.clear();
    m_styles.clear();
    m_kind = Kind::JournalArticle;
}

bool ArticleRecord::Builder::dropsPmid() const
{
    const std::string &pmid = m_text[index(Key::PMID)];
    return !pmid.empty() && !isPmid(pmid);
}

ArticleRecord ArticleRecord::Builder::build(std::string_view elinkBase) const
{
    // "Last Initials Suffix, " per person, each part there is, and "Name, "
    // per group; the final comma goes, its space stays.
    std::string authorsString;
    const size_t authorCount = m_authorBounds.empty() ? 0 : (m_authorBounds.size() - 1) / kBoundsPerAuthor;
    const auto part = [this](size_t j) {
        const uint32_t begin = m_authorBounds[j] & ~kCollectiveBit;
        return std::string_view(m_authorText).substr(begin, (m_authorBounds[j + 1] & ~kCollectiveBit) - begin);
    };
    for (size_t i = 0; i < authorCount; ++i) {
        const size_t j = kBoundsPerAuthor * i;
        authorsString.append(part(j));
        const bool collective = m_authorBounds[j + 1] & kCollectiveBit;
        for (std::string_view more : {part(j + 1), part(j + 3)}) {
            if (!collective && !more.empty())
                authorsString.append(" ").append(more);
        }
        authorsString.append(", ");
    }
    if (authorsString.size() > 2)
        authorsString.erase(authorsString.size() - 2, 1);

    const std::string_view pmid = dropsPmid() ? std::string_view() : std::string_view(m_text[index(Key::PMID)]);
    std::string hyperlink;
    hyperlink.reserve(elinkBase.size() + 4 + pmid.size());
    hyperlink.append(elinkBase).append("&id=").append(pmid);

    ArticleRecord record;
    record.m_kind = m_kind;
    size_t total = m_authorText.size() + authorsString.size() + hyperlink.size();
    for (const std::string &t : m_text)
        total += t.size();
    record.m_buffer.reserve(total);
    for (int k = 0; k < KeyCount; ++k) {
        record.m_offsets[size_t(k)] = uint32_t(record.m_buffer.size());
        switch (Key(k)) {
        case Key::Authors:
        case Key::ForeNames:
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

    // Styles were added key by key as the text was; in buffer order they go
    // by key, each key's own order kept.
    const auto byKey = [](const KeyedStyle &a, const KeyedStyle &b) { return a.key < b.key; };
    std::vector<KeyedStyle> sorted;
    if (!std::is_sorted(m_styles.begin(), m_styles.end(), byKey)) {
        sorted = m_styles;
        std::stable_sort(sorted.begin(), sorted.end(), byKey);
    }
    record.m_styles.reserve(m_styles.size());
    for (const KeyedStyle &s : sorted.empty() ? m_styles : sorted) {
        const size_t k = index(s.key);
        const uint32_t base = record.m_offsets[k];
        const uint32_t size = record.m_offsets[k + 1] - base;
        if (isTextKey(s.key) && s.range.end <= size)
            record.m_styles.push_back({base + s.range.begin, base + s.range.end, uint8_t(s.range.style.toInt())});
    }
    return record;
}

ArticleRecord::ArticleRecord() = default;

std::string_view ArticleRecord::slot(size_t k) const
{
    if (m_buffer.empty())
        return {};
    return std::string_view(m_buffer).substr(m_offsets[k], m_offsets[k + 1] - m_offsets[k]);
}

std::string_view ArticleRecord::utf8(Key key) const
{
    return isTextKey(key) ? slot(index(key)) : std::string_view();
}

std::vector<std::string_view> ArticleRecord::itemsUtf8(Key key) const
{
    std::vector<std::string_view> items;
    if (key == Key::ForeNames) {
        items.reserve(size_t(authorCount()));
        for (qsizetype i = 0; i < authorCount(); ++i)
            items.push_back(authorForeNameUtf8(i));
    } else if (isListKey(key)) {
        std::string_view rest = slot(index(key));
        while (!rest.empty()) {
            const size_t end = rest.find('\0');
            items.push_back(rest.substr(0, end));
            rest.remove_prefix(end + 1);
        }
    }
    return items;
}

QStringList ArticleRecord::list(Key key) const
{
    QStringList items;
    for (std::string_view item : itemsUtf8(key))
        items.append(fromUtf8(item));
    return items;
}

QList<ArticleRecord::InlineStyle> ArticleRecord::inlineStyles(Key key) const
{
    QList<InlineStyle> styles;
    if (!isTextKey(key) || m_buffer.empty())
        return styles;
    const uint32_t base = m_offsets[index(key)];
    const uint32_t end = m_offsets[index(key) + 1];
    auto it = std::lower_bound(m_styles.begin(), m_styles.end(), base,
                               [](const StoredStyle &s, uint32_t offset) { return s.begin < offset; });
    for (; it != m_styles.end() && it->end <= end; ++it)
        styles.append({it->begin - base, it->end - base, TextStyles::fromInt(it->style)});
    return styles;
}

qsizetype ArticleRecord::authorCount() const
{
    return m_authorBounds.empty() ? 0 : qsizetype((m_authorBounds.size() - 1) / kBoundsPerAuthor);
}

uint32_t ArticleRecord::authorBound(size_t j) const
{
    return m_authorBounds[j] & ~kCollectiveBit;
}

std::string_view ArticleRecord::authorPartUtf8(qsizetype i, size_t part) const
{
    const size_t j = kBoundsPerAuthor * size_t(i) + part;
    return std::string_view(m_buffer).substr(authorBound(j), authorBound(j + 1) - authorBound(j));
}

std::string_view ArticleRecord::authorLastnameUtf8(qsizetype i) const
{
    return authorPartUtf8(i, 0);
}

std::string_view ArticleRecord::authorInitialsUtf8(qsizetype i) const
{
    return authorPartUtf8(i, 1);
}

std::string_view ArticleRecord::authorForeNameUtf8(qsizetype i) const
{
    return authorPartUtf8(i, 2);
}

std::string_view ArticleRecord::authorSuffixUtf8(qsizetype i) const
{
    return authorPartUtf8(i, 3);
}

bool ArticleRecord::authorIsCollective(qsizetype i) const
{
    return m_authorBounds[kBoundsPerAuthor * size_t(i) + 1] & kCollectiveBit;
}

AuthorEntry ArticleRecord::author(qsizetype i) const
{
    return {fromUtf8(authorLastnameUtf8(i)), fromUtf8(authorInitialsUtf8(i)), authorIsCollective(i),
            fromUtf8(authorSuffixUtf8(i))};
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
    if (isListKey(*k))
        return list(*k);
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
        + m_authorBounds.capacity() * sizeof(uint32_t) + m_styles.capacity() * sizeof(StoredStyle);
}
