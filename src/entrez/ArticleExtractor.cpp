#include "entrez/ArticleExtractor.h"

#include "common/SystemLog.h"

#include "entrez/ResponseCleanup.h"
#include "entrez/Utf8.h"
#include "entrez/XmlText.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

using Key = ArticleRecord::Key;

// The queries of both kinds of record, with one id each. A journal article's
// paths start at MedlineCitation or PubmedData, a book's at BookDocument.
enum Query {
    Year,
    MedlineDate,
    Month,
    Title,
    Pmid,
    Journal,
    Volume,
    Issue,
    Pages,
    JournalTitle,
    BookTitle,
    CollectionTitle,
    Publisher,
    Day,
    VernacularTitle,
    FirstMatchCount, // the queries above count by their first match only
    Abstract = FirstMatchCount,
    Issn,
    IssnLinking,
    Language,
    ArticleNode,
    ArticleDate,
    ElocationId,
    ArticleId,
    Author,
    AuthorList,
    BookAuthorList,
    PublicationType,
    Mesh,
    Keyword,
    CommentsCorrections,
};

const ChildPathSet &articleQueries()
{
    static const ChildPathSet queries{
        {Year, "MedlineCitation/Article/Journal/JournalIssue/PubDate/Year"},
        {MedlineDate, "MedlineCitation/Article/Journal/JournalIssue/PubDate/MedlineDate"},
        {Month, "MedlineCitation/Article/Journal/JournalIssue/PubDate/Month"},
        {Day, "MedlineCitation/Article/Journal/JournalIssue/PubDate/Day"},
        {ArticleNode, "MedlineCitation/Article"},
        {ArticleDate, "MedlineCitation/Article/ArticleDate"},
        {ElocationId, "MedlineCitation/Article/ELocationID"},
        {VernacularTitle, "MedlineCitation/Article/VernacularTitle"},
        {IssnLinking, "MedlineCitation/MedlineJournalInfo/ISSNLinking"},
        {Title, "MedlineCitation/Article/ArticleTitle"},
        {Pmid, "MedlineCitation/PMID"},
        {Journal, "MedlineCitation/MedlineJournalInfo/MedlineTA"},
        {Volume, "MedlineCitation/Article/Journal/JournalIssue/Volume"},
        {Issue, "MedlineCitation/Article/Journal/JournalIssue/Issue"},
        {Pages, "MedlineCitation/Article/Pagination/MedlinePgn"},
        {JournalTitle, "MedlineCitation/Article/Journal/Title"},
        {Issn, "MedlineCitation/Article/Journal/ISSN"},
        {Language, "MedlineCitation/Article/Language"},
        {Abstract, "MedlineCitation/Article/Abstract/AbstractText"},
        {ArticleId, "PubmedData/ArticleIdList/ArticleId"},
        {Author, "MedlineCitation/Article/AuthorList/Author"},
        {PublicationType, "MedlineCitation/Article/PublicationTypeList/PublicationType"},
        {Mesh, "MedlineCitation/MeshHeadingList/MeshHeading"},
        {Keyword, "MedlineCitation/KeywordList/Keyword"},
        {CommentsCorrections, "MedlineCitation/CommentsCorrectionsList/CommentsCorrections"},
    };
    return queries;
}

const ChildPathSet &bookQueries()
{
    static const ChildPathSet queries{
        {Year, "BookDocument/Book/PubDate/Year"},
        {MedlineDate, "BookDocument/Book/PubDate/MedlineDate"},
        {Month, "BookDocument/Book/PubDate/Month"},
        {Day, "BookDocument/Book/PubDate/Day"},
        {Title, "BookDocument/ArticleTitle"},
        {Pmid, "BookDocument/PMID"},
        {BookTitle, "BookDocument/Book/BookTitle"},
        {CollectionTitle, "BookDocument/Book/CollectionTitle"},
        {Publisher, "BookDocument/Book/Publisher/PublisherName"},
        {Language, "BookDocument/Language"},
        {Abstract, "BookDocument/Abstract/AbstractText"},
        {ArticleId, "BookDocument/ArticleIdList/ArticleId"},
        {AuthorList, "BookDocument/AuthorList"},
        {BookAuthorList, "BookDocument/Book/AuthorList"},
        {PublicationType, "BookDocument/PublicationType"},
        {Keyword, "BookDocument/KeywordList/Keyword"},
    };
    return queries;
}

const char *const kBookRecord = "PubmedBookArticle";
const char *const kAuthor = "Author";
// The children of an Author read, in the order of addAuthor's parts.
constexpr std::string_view kAuthorParts[] = {"LastName", "Initials", "ForeName", "Suffix", "CollectiveName"};

// The elements on the queries' paths, and all below the end of a path that
// goes no deeper, but for authors: of a list of them only the authors are
// read, of an author only the parts of its name. The one path that goes on
// past its own end (MedlineCitation/Article) reads only its element's
// attributes. A state is a step of the article queries, or one of the book
// queries after them, or an author list or author.
class RecordElementsRead final : public XmlElementsRead
{
public:
    int child(std::string_view name) const override { return name == kBookRecord ? kBookStates : 0; }
    int child(int parent, std::string_view name) const override
    {
        if (parent == kAuthorListState)
            return name == kAuthor ? kAuthorState : kNone;
        if (parent == kAuthorState)
            return std::find(std::begin(kAuthorParts), std::end(kAuthorParts), name) != std::end(kAuthorParts) ? kAll : kNone;
        const bool book = parent >= kBookStates;
        const ChildPathSet &queries = book ? bookQueries() : articleQueries();
        const int offset = book ? kBookStates : 0;
        const int step = queries.childStep(parent - offset, name);
        if (step < 0)
            return kNone;
        switch (queries.queryEndingAt(step)) {
        case -1:
            return step + offset;
        case Author:
            return kAuthorState;
        case AuthorList:
        case BookAuthorList:
            return kAuthorListState;
        default:
            return kAll;
        }
    }

private:
    // Far past the article queries' steps, fewer than a hundred.
    static constexpr int kBookStates = 1 << 16;
    static constexpr int kAuthorListState = 1 << 17;
    static constexpr int kAuthorState = kAuthorListState + 1;
};

// The key filled by the text of a query's first match.
constexpr Key kFirstMatchKey[FirstMatchCount] = {
    Key::Year,   Key::Year,  Key::Month, Key::Title,        Key::PMID,    Key::Journal,   Key::Volume,
    Key::Issue,  Key::Pages, Key::JournalTitle, Key::Title, Key::Journal, Key::Publisher, Key::Day,
    Key::VernacularTitle,
};

bool isNamed(pugi::xml_node node, const char *name)
{
    if (node.type() != pugi::node_element)
        return false;
    // Sibling names mostly differ in their first letter: most calls end here.
    const char *own = node.name();
    return own[0] == name[0] && std::strcmp(own, name) == 0;
}

bool hasAttribute(pugi::xml_node node, const char *name, const char *value)
{
    return std::strcmp(node.attribute(name).value(), value) == 0;
}

pugi::xml_node firstChildNamed(pugi::xml_node node, const char *name)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (isNamed(child, name))
            return child;
    }
    return {};
}

// The month word of a free-form date ("2017 Mar - Apr" gives "Mar", "1998
// Dec-1999 Jan" gives "Dec"): the first run of letters that begins a month's
// English name with at least its first three letters; "" for a season.
std::string_view monthWordOf(std::string_view date)
{
    static constexpr std::string_view kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                                                   "july",    "august",   "september", "october", "november", "december"};
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (size_t i = 0; i < date.size();) {
        if (!isLetter(date[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < date.size() && isLetter(date[end]))
            ++end;
        const std::string_view word = date.substr(i, end - i);
        for (std::string_view month : kMonths) {
            if (word.size() < 3 || word.size() > month.size())
                continue;
            bool same = true;
            for (size_t k = 0; k < word.size() && same; ++k)
                same = char(word[k] | 0x20) == month[k];
            if (same)
                return word;
        }
        i = end;
    }
    return {};
}

// `text` without the white space around it, the no-break space included:
// some answers pad keywords, and a group name may start with U+00A0.
std::string_view trimmedSpace(std::string_view text)
{
    static constexpr std::string_view kSpaces[] = {" ", "\t", "\r", "\n", "\xC2\xA0"};
    for (bool more = true; more;) {
        more = false;
        for (std::string_view space : kSpaces) {
            for (; text.starts_with(space); more = true)
                text.remove_prefix(space.size());
            for (; text.ends_with(space); more = true)
                text.remove_suffix(space.size());
        }
    }
    return text;
}

// "2017-05-02" from the Year, Month and Day below `date`, as far as they go.
std::string isoDate(pugi::xml_node date)
{
    std::string out;
    for (const char *part : {"Year", "Month", "Day"}) {
        const std::string value = stringValue(firstChildNamed(date, part));
        if (value.empty())
            break;
        if (!out.empty())
            out.push_back('-');
        out.append(value);
    }
    return out;
}

// What one record's walk collects besides the text it appends as it goes.
class RecordReader
{
public:
    explicit RecordReader(ArticleRecord::Builder &builder) : m_builder(builder) {}

    void read(pugi::xml_node node);

private:
    void visit(int query, pugi::xml_node match);
    void addAuthor(pugi::xml_node author);
    void addParagraph(pugi::xml_node abstractText);
    void addStyledText(Key key, pugi::xml_node node);
    void addItem(Key key, pugi::xml_node node);
    void addMarkedItem(Key key, pugi::xml_node node);
    void addMeshHeading(pugi::xml_node heading);
    void addTaggedItem(Key key, pugi::xml_node node, const char *open, const char *tag, const char *close);

    ArticleRecord::Builder &m_builder;
    pugi::xml_node m_first[FirstMatchCount];
    pugi::xml_node m_doi;
    pugi::xml_node m_pmcid;
    pugi::xml_node m_retractionIn;
    std::vector<pugi::xml_node> m_authorLists;     // a book's own author lists
    std::vector<pugi::xml_node> m_bookAuthorLists; // those of the book a chapter is in
    bool m_book = false;
    bool m_retracted = false;
    std::vector<StyledStretch> m_stretches;
    std::vector<std::pair<pugi::xml_node, TextStyles>> m_styleStack;
};

void RecordReader::read(pugi::xml_node node)
{
    m_book = isNamed(node, kBookRecord);
    const ChildPathSet &queries = m_book ? bookQueries() : articleQueries();
    queries.forEachMatch(node, [&](int query, pugi::xml_node match) {
        visit(query, match);
        return true;
    });

    if (m_book) {
        // A chapter stands in its book as an article in its journal; a whole
        // book is titled by itself and stands in its collection.
        const bool chapter = bool(m_first[Title]);
        m_builder.setKind(chapter ? ArticleRecord::Kind::BookChapter : ArticleRecord::Kind::Book);
        if (!chapter)
            m_first[Title] = m_first[BookTitle];
        m_first[Journal] = chapter ? m_first[BookTitle] : m_first[CollectionTitle];
        m_first[JournalTitle] = m_first[Journal];
        m_first[BookTitle] = m_first[CollectionTitle] = {};
        for (pugi::xml_node list : m_authorLists.empty() ? m_bookAuthorLists : m_authorLists) {
            for (pugi::xml_node author = list.first_child(); author; author = author.next_sibling()) {
                if (isNamed(author, kAuthor))
                    addAuthor(author);
            }
        }
    }
    if (!m_first[Year])
        m_first[Year] = m_first[MedlineDate];
    for (int q = 0; q < FirstMatchCount; ++q) {
        if (q == MedlineDate || !m_first[q])
            continue;
        if (q == Title)
            addStyledText(Key::Title, m_first[q]);
        else
            appendStringValue(m_first[q], m_builder.text(kFirstMatchKey[q]));
    }
    if (!m_first[Month] && m_first[MedlineDate] && m_first[Year] == m_first[MedlineDate])
        m_builder.text(Key::Month) = monthWordOf(m_builder.text(Key::Year));
    if (m_doi)
        appendStringValue(m_doi, m_builder.text(Key::Doi));
    if (m_pmcid)
        appendStringValue(m_pmcid, m_builder.text(Key::Pmcid));
    if (m_retracted)
        m_builder.text(Key::Retracted) = "yes";
    if (m_retractionIn)
        appendStringValue(m_retractionIn, m_builder.text(Key::RetractionIn));
}

void RecordReader::visit(int query, pugi::xml_node match)
{
    switch (query) {
    case Abstract:
        addParagraph(match);
        break;
    case ArticleId:
        if (hasAttribute(match, "IdType", "doi"))
            m_doi = match;
        else if (!m_pmcid && !m_book && hasAttribute(match, "IdType", "pmc"))
            m_pmcid = match;
        // The PMID and the PMC and manuscript ids have tags of their own.
        if (!hasAttribute(match, "IdType", "pubmed") && !hasAttribute(match, "IdType", "pmc")
            && !hasAttribute(match, "IdType", "mid"))
            addTaggedItem(Key::ArticleIds, match, " [", match.attribute("IdType").value(), "]");
        break;
    case ElocationId:
        if (!hasAttribute(match, "ValidYN", "N"))
            addTaggedItem(Key::ElocationIds, match, " [", match.attribute("EIdType").value(), "]");
        break;
    case Issn:
        addTaggedItem(Key::Issn, match, " (", match.attribute("IssnType").value(), ")");
        break;
    case IssnLinking:
        addTaggedItem(Key::Issn, match, " (", "Linking", ")");
        break;
    case Language:
        addItem(Key::Language, match);
        break;
    case ArticleNode:
        m_builder.text(Key::PublicationModel) = match.attribute("PubModel").value();
        break;
    case ArticleDate:
        if (hasAttribute(match, "DateType", "Electronic") && m_builder.text(Key::EpubDate).empty())
            m_builder.text(Key::EpubDate) = isoDate(match);
        break;
    case Author:
        addAuthor(match);
        break;
    case AuthorList:
    case BookAuthorList:
        if (hasAttribute(match, "Type", "authors"))
            (query == AuthorList ? m_authorLists : m_bookAuthorLists).push_back(match);
        break;
    case PublicationType:
        addItem(Key::PublicationTypes, match);
        break;
    case Mesh:
        addMeshHeading(match);
        break;
    case Keyword:
        addMarkedItem(Key::Keywords, match);
        break;
    case CommentsCorrections:
        if (hasAttribute(match, "RefType", "RetractionIn")) {
            m_retracted = true;
            if (!m_retractionIn)
                m_retractionIn = firstChildNamed(match, "RefSource");
        }
        break;
    default:
        if (!m_first[query])
            m_first[query] = match;
    }
}

// A person gives one entry per LastName, each with the element's own first
// Initials and ForeName, so an author without initials never borrows
// another's; a group without a LastName gives its CollectiveName.
void RecordReader::addAuthor(pugi::xml_node author)
{
    // NCBI keeps a name it found wrong in the answer but never lists it.
    if (hasAttribute(author, "ValidYN", "N"))
        return;
    // The first of each part, found in one pass over the author's children.
    pugi::xml_node parts[std::size(kAuthorParts)];
    enum { LastName, Initials, ForeName, Suffix, CollectiveName };
    for (pugi::xml_node child = author.first_child(); child; child = child.next_sibling()) {
        for (size_t part = 0; part < std::size(kAuthorParts); ++part) {
            if (!parts[part] && isNamed(child, kAuthorParts[part].data()))
                parts[part] = child;
        }
    }
    const bool person = bool(parts[LastName]);
    if (person) {
        const std::string initials = stringValue(parts[Initials]);
        const std::string foreName = stringValue(parts[ForeName]);
        const std::string suffix = stringValue(parts[Suffix]);
        std::string name;
        for (pugi::xml_node child = author.first_child(); child; child = child.next_sibling()) {
            if (isNamed(child, kAuthorParts[LastName].data())) {
                name.clear();
                appendStringValue(child, name);
                m_builder.addAuthor(name, initials, foreName, false, suffix);
            }
        }
        return;
    }
    // Some answers break the line before the end tag; a name never ends in one.
    const std::string group = stringValue(parts[CollectiveName]);
    if (const std::string_view trimmed = trimmedSpace(group); !trimmed.empty())
        m_builder.addAuthor(trimmed, {}, {}, true);
}

// One paragraph per AbstractText, after a blank line, led by its label in
// bold unless the label is empty or says there is none.
void RecordReader::addParagraph(pugi::xml_node abstractText)
{
    std::string &abstract = m_builder.text(Key::Abstract);
    const size_t before = abstract.size();
    if (before > 0)
        abstract.append("\n\n");
    const size_t start = abstract.size();
    const char *label = abstractText.attribute("Label").value();
    if (*label && std::strcmp(label, "UNLABELLED") != 0) {
        abstract.append(label).push_back(':');
        m_builder.addStyle(Key::Abstract, start, abstract.size(), TextStyle::Bold);
        abstract.push_back(' ');
    }
    addStyledText(Key::Abstract, abstractText);
    if (abstract.size() == start) {
        abstract.resize(before); // nothing to show: no paragraph
        return;
    }
    m_builder.text(Key::AbstractLabels).append(label);
    m_builder.endItem(Key::AbstractLabels);
}

void RecordReader::addStyledText(Key key, pugi::xml_node node)
{
    m_stretches.clear();
    appendStyledStringValue(node, m_builder.text(key), m_stretches, m_styleStack);
    for (const StyledStretch &stretch : m_stretches)
        m_builder.addStyle(key, stretch.begin, stretch.end, stretch.style);
}

void RecordReader::addItem(Key key, pugi::xml_node node)
{
    std::string &items = m_builder.text(key);
    const size_t start = items.size();
    appendStringValue(node, items);
    if (key == Key::PublicationTypes && std::string_view(items).substr(start) == "Retracted Publication")
        m_retracted = true;
    m_builder.endItem(key);
}

// The item trimmed, "*" before it when it is a major topic.
void RecordReader::addMarkedItem(Key key, pugi::xml_node node)
{
    std::string &items = m_builder.text(key);
    if (hasAttribute(node, "MajorTopicYN", "Y"))
        items.push_back('*');
    items.append(trimmedSpace(stringValue(node)));
    m_builder.endItem(key);
}

// MEDLINE's form of a heading: the descriptor, then "/" and each qualifier,
// each major topic marked "*" ("Abscess/*surgery").
void RecordReader::addMeshHeading(pugi::xml_node heading)
{
    std::string &items = m_builder.text(Key::Mesh);
    const size_t start = items.size();
    for (pugi::xml_node child = heading.first_child(); child; child = child.next_sibling()) {
        const bool descriptor = isNamed(child, "DescriptorName");
        if (!descriptor && !isNamed(child, "QualifierName"))
            continue;
        if (items.size() > start || !descriptor)
            items.push_back('/');
        if (hasAttribute(child, "MajorTopicYN", "Y"))
            items.push_back('*');
        items.append(trimmedSpace(stringValue(child)));
    }
    m_builder.endItem(Key::Mesh);
}

// "value<open>tag<close>", or the value alone when the tag is empty.
void RecordReader::addTaggedItem(Key key, pugi::xml_node node, const char *open, const char *tag, const char *close)
{
    std::string &items = m_builder.text(key);
    items.append(trimmedSpace(stringValue(node)));
    if (*tag)
        items.append(open).append(tag).append(close);
    m_builder.endItem(key);
}

// Collects printed elements into a QByteArray.
class ElementWriter : public pugi::xml_writer
{
public:
    explicit ElementWriter(QByteArray &out) : m_out(out) {}
    void write(const void *data, size_t size) override { m_out.append(static_cast<const char *>(data), qsizetype(size)); }

private:
    QByteArray &m_out;
};

// `elements`, when given, receives each record's node as XML, aligned with the records.
qsizetype appendArticles(CleanedResponse &cleaned, ArticleList &articles, std::string_view elinkBase,
                         QList<QByteArray> *elements = nullptr)
{
    articles.reserve(articles.size() + qsizetype(cleaned.outline().childEnds.size()));
    const qsizetype before = articles.size();
    ArticleRecord::Builder builder;
    qsizetype droppedPmids = 0;
    forEachRootChild(cleaned, [&](pugi::xml_node node) {
        if (isRecordNode(node)) {
            articles.append(articleForNode(node, elinkBase, builder));
            droppedPmids += builder.dropsPmid();
            if (elements) {
                QByteArray &element = elements->emplace_back();
                ElementWriter writer(element);
                node.print(writer, "", pugi::format_raw);
            }
        }
    });
    logDroppedPmids(droppedPmids);
    return articles.size() - before;
}

} // namespace

void logDroppedPmids(qsizetype count)
{
    if (count > 0)
        systemLog(QStringLiteral("EFetch answer: %1 PMIDs that are not 1 to 10 digits were dropped").arg(count));
}

std::string elinkBaseUrl(const Endpoints &endpoints)
{
    return endpoints.eutilsOrigin().toStdString() + Paths::ELink;
}

ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase, ArticleRecord::Builder &builder)
{
    builder.clear();
    RecordReader(builder).read(node);
    return builder.build(elinkBase);
}

const XmlElementsRead &recordElementsRead()
{
    static const RecordElementsRead read;
    return read;
}

ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase)
{
    ArticleRecord::Builder builder;
    return articleForNode(node, elinkBase, builder);
}

qsizetype appendArticlesFromResponse(std::string text, ArticleList &articles, std::string_view elinkBase)
{
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromText(std::move(text), kEfetchClosingTag);
    return cleaned ? appendArticles(*cleaned, articles, elinkBase) : 0;
}

qsizetype appendArticlesFromBytes(QByteArray bytes, ArticleList &articles, std::string_view elinkBase)
{
    if (bytes.size() > kMaxAnswerBytes)
        return 0;
    if (!isValidUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))))
        return -1;
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromBytes(std::move(bytes), kEfetchClosingTag);
    return cleaned ? appendArticles(*cleaned, articles, elinkBase) : 0;
}

qsizetype appendArticlesWithXml(QByteArray bytes, ArticleList &articles, QList<QByteArray> &elements,
                                std::string_view elinkBase)
{
    if (bytes.size() > kMaxAnswerBytes)
        return 0;
    if (!isValidUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))))
        return -1;
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromBytes(std::move(bytes), kEfetchClosingTag);
    return cleaned ? appendArticles(*cleaned, articles, elinkBase, &elements) : 0;
}
