#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One author of an article.
struct AuthorEntry
{
    QString lastname;
    QString initials;
    friend bool operator==(const AuthorEntry &, const AuthorEntry &) = default;
};

// One downloaded article: twelve fixed keys, always all present, missing data
// as empty text. Immutable once built. The text lives in one UTF-8 buffer, so
// a record costs the characters it carries plus a small fixed overhead.
class ArticleRecord
{
public:
    enum class Key : uint8_t {
        Year,
        Title,
        Journal,
        Volume,
        Issue,
        Pages,
        Abstract,
        Authors,
        AuthorsString,
        PMID,
        Hyperlink,
        Doi,
    };
    static constexpr int KeyCount = 12;
    static constexpr std::array<std::string_view, KeyCount> KeyNames = {
        "year", "title", "journal", "volume", "issue", "pages",
        "abstract", "authors", "authorsString", "PMID", "hyperlink", "doi",
    };

    static QString keyName(Key key);
    // The key whose text is `name`; none for a name outside the twelve.
    static std::optional<Key> keyNamed(QStringView name);

    // Builds records one after another; reuse one builder to avoid allocations.
    class Builder
    {
    public:
        // The buffer for one text key (not Authors, AuthorsString or Hyperlink,
        // which build() derives). Starts empty after clear().
        std::string &text(Key key);
        void addAuthor(std::string_view lastname, std::string_view initials);
        // `elinkBase` is the ELink base URL; hyperlink becomes base + "&id=" + PMID.
        // PMID text that is not a PMID is left out of both: the PMID is empty.
        ArticleRecord build(std::string_view elinkBase) const;
        // True when the PMID text given is not a PMID, so build() drops it.
        bool dropsPmid() const;
        void clear();

    private:
        std::array<std::string, KeyCount> m_text;
        std::string m_authorText;
        std::vector<uint32_t> m_authorBounds;
    };

    ArticleRecord();

    // UTF-8 text of a text key; empty for Key::Authors.
    std::string_view utf8(Key key) const;
    QString text(Key key) const { return QString::fromUtf8(utf8(key)); }

    qsizetype authorCount() const;
    std::string_view authorLastnameUtf8(qsizetype i) const;
    std::string_view authorInitialsUtf8(qsizetype i) const;
    AuthorEntry author(qsizetype i) const;
    QList<AuthorEntry> authors() const;

    // Lookup by key text: a QString for text keys, a QVariantList of
    // {"lastname","initials"} maps for "authors", an invalid QVariant otherwise.
    QVariant value(QStringView key) const;

    // Heap and object bytes held by this record.
    size_t memoryUsage() const;

private:
    std::string m_buffer;
    // Text key k occupies [m_offsets[k], m_offsets[k+1]) of m_buffer; the
    // Authors slot is empty and the author names follow the last key.
    std::array<uint32_t, KeyCount + 1> m_offsets{};
    // Author i: last name [b[2i], b[2i+1]), initials [b[2i+1], b[2i+2]).
    std::vector<uint32_t> m_authorBounds;
};

using ArticleList = QList<ArticleRecord>;
