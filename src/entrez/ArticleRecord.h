#pragma once

#include "common/TextStyle.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One author of an article: a person, or a group (a CollectiveName) whose
// name stands as the last name with empty initials.
struct AuthorEntry
{
    QString lastname;
    QString initials;
    bool collective = false;
    QString suffix = {}; // "Jr", "2nd"; empty for most
    friend bool operator==(const AuthorEntry &, const AuthorEntry &) = default;
};

// One downloaded article: fixed keys, always all present, missing data as
// empty text or an empty list. Immutable once built. The text lives in one
// UTF-8 buffer, so a record costs the characters it carries plus a small fixed
// overhead.
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
        // Text keys added after the first twelve, so those keep their order.
        Pmcid,
        JournalTitle,
        Issn,
        Language,
        Month,
        Retracted, // "yes" or ""
        Publisher,
        // Where the retraction notice was published ("Lancet. 2010 Feb
        // 6;375(9713):445"), as the record's first RetractionIn names it.
        RetractionIn,
        Day,
        VernacularTitle,
        EpubDate,         // the electronic publication date, "2017-05-02" (as much as is known)
        PublicationModel, // the Article's PubModel, "Electronic-eCollection" and the like
        // List keys: each value is a list of texts.
        PublicationTypes,
        Mesh, // MEDLINE's form: "*Spinal Diseases/diagnostic imaging", "Abscess/*surgery"
        Keywords, // "*word" when a major topic
        ForeNames, // one per entry of Authors, "" for a group or a person without one
        ElocationIds, // "10.1/x [doi]", "S0140-6736(17)30001-2 [pii]", in the answer's order
        ArticleIds,   // the same form, from the ArticleIdList (doi, pii and the like)
        AbstractLabels, // each paragraph's Label as the answer gives it, "" for none
    };
    static constexpr int KeyCount = 31;
    static constexpr std::array<std::string_view, KeyCount> KeyNames = {
        "year", "title", "journal", "volume", "issue", "pages", "abstract", "authors",
        "authorsString", "PMID", "hyperlink", "doi", "pmcid", "journalTitle", "issn", "language",
        "month", "retracted", "publisher", "retractionIn", "day", "vernacularTitle", "epubDate", "publicationModel",
        "publicationTypes", "mesh", "keywords", "foreNames", "elocationIds", "articleIds", "abstractLabels",
    };
    // Issn ("1234-5678 (Print)", "… (Linking)") and Language were texts once
    // and keep their place among the first keys.
    static constexpr bool isListKey(Key key)
    {
        return key >= Key::PublicationTypes || key == Key::Issn || key == Key::Language;
    }
    static constexpr bool isTextKey(Key key) { return key != Key::Authors && !isListKey(key); }

    enum class Kind : uint8_t { JournalArticle, BookChapter, Book };

    // A stretch of one key's text in an inline style; offsets are UTF-8 bytes
    // from the start of that key's text.
    struct InlineStyle
    {
        uint32_t begin = 0;
        uint32_t end = 0;
        TextStyles style;
        friend bool operator==(const InlineStyle &, const InlineStyle &) = default;
    };

    static QString keyName(Key key);
    // The key whose text is `name`; none for a name outside the keys.
    static std::optional<Key> keyNamed(QStringView name);

    // Builds records one after another; reuse one builder to avoid allocations.
    class Builder
    {
    public:
        // The buffer for one text key (not AuthorsString or Hyperlink, which
        // build() derives), or for the item being added to a list key other
        // than ForeNames (ended by endItem). Starts empty after clear().
        std::string &text(Key key);
        void endItem(Key listKey);
        // Styles `text(key)[begin, end)`; ranges of one key in ascending order.
        void addStyle(Key key, size_t begin, size_t end, TextStyles style);
        void addAuthor(std::string_view lastname, std::string_view initials, std::string_view foreName = {},
                       bool collective = false, std::string_view suffix = {});
        void setKind(Kind kind) { m_kind = kind; }
        // `elinkBase` is the ELink base URL; hyperlink becomes base + "&id=" + PMID.
        // PMID text that is not a PMID is left out of both: the PMID is empty.
        ArticleRecord build(std::string_view elinkBase) const;
        // True when the PMID text given is not a PMID, so build() drops it.
        bool dropsPmid() const;
        void clear();

    private:
        struct KeyedStyle
        {
            Key key;
            InlineStyle range;
        };
        std::array<std::string, KeyCount> m_text;
        std::string m_authorText;
        std::vector<uint32_t> m_authorBounds;
        std::vector<KeyedStyle> m_styles;
        Kind m_kind = Kind::JournalArticle;
    };

    ArticleRecord();

    // UTF-8 text of a text key; empty for Key::Authors and the list keys.
    std::string_view utf8(Key key) const;
    QString text(Key key) const { return QString::fromUtf8(utf8(key)); }
    // The items of a list key (ForeNames aligned with authors()); empty for other keys.
    QStringList list(Key key) const;
    std::vector<std::string_view> itemsUtf8(Key key) const;
    // The inline styles of a text key's text, in order, not overlapping.
    QList<InlineStyle> inlineStyles(Key key) const;

    Kind kind() const { return m_kind; }
    bool isRetracted() const { return utf8(Key::Retracted) == "yes"; }

    qsizetype authorCount() const;
    std::string_view authorLastnameUtf8(qsizetype i) const;
    std::string_view authorInitialsUtf8(qsizetype i) const;
    std::string_view authorForeNameUtf8(qsizetype i) const;
    std::string_view authorSuffixUtf8(qsizetype i) const;
    bool authorIsCollective(qsizetype i) const;
    AuthorEntry author(qsizetype i) const;
    QList<AuthorEntry> authors() const;

    // Lookup by key text: a QString for text keys, a QStringList for list
    // keys, a QVariantList of {"lastname","initials"} maps for "authors", an
    // invalid QVariant otherwise.
    QVariant value(QStringView key) const;

    // Heap and object bytes held by this record.
    size_t memoryUsage() const;

private:
    // The library stores records as written in memory and reads them back as they were.
    friend class RecordBlob;

    struct StoredStyle
    {
        uint32_t begin; // offsets into m_buffer
        uint32_t end;
        uint8_t style;
    };
    static constexpr uint32_t kCollectiveBit = 0x80000000u;
    // Last name, initials, fore name and suffix each end at one bound.
    static constexpr size_t kBoundsPerAuthor = 4;

    std::string_view slot(size_t k) const;
    uint32_t authorBound(size_t j) const;
    std::string_view authorPartUtf8(qsizetype i, size_t part) const;

    std::string m_buffer;
    // Key k occupies [m_offsets[k], m_offsets[k+1]) of m_buffer; the Authors
    // and ForeNames slots are empty, a list key's items each end with a NUL
    // (text from the XML never holds one), and the author names follow the
    // last key.
    std::array<uint32_t, KeyCount + 1> m_offsets{};
    // Author i: last name [b[4i], b[4i+1]), initials [b[4i+1], b[4i+2]),
    // fore name [b[4i+2], b[4i+3]), suffix [b[4i+3], b[4i+4]). The top bit of
    // b[4i+1] marks a group;
    // buffers stay far below 2 GiB, since answers are refused above 512 MiB.
    std::vector<uint32_t> m_authorBounds;
    std::vector<StoredStyle> m_styles; // in buffer order
    Kind m_kind = Kind::JournalArticle;
};

using ArticleList = QList<ArticleRecord>;
