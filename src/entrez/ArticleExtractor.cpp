#include "entrez/ArticleExtractor.h"

#include "entrez/ResponseCleanup.h"
#include "entrez/Utf8.h"
#include "entrez/XmlText.h"

#include <cstring>

namespace {

constexpr std::string_view kClosingTag = "</PubmedArticleSet>";

// The root's children are parsed a piece at a time, cut between two children,
// so the tree in memory covers about this much text instead of the whole
// answer; each piece yields exactly the nodes the whole parse would.
constexpr size_t kPieceBytes = size_t(1) << 19;
constexpr unsigned int kPieceParseOptions = kResponseParseOptions | pugi::parse_fragment;

using Key = ArticleRecord::Key;

enum Query {
    Year,
    MedlineDate,
    Title,
    Pmid,
    Journal,
    Volume,
    Issue,
    Pages,
    Abstract,
    ArticleId,
    Author,
    QueryCount,
};

const ChildPathSet &articleQueries()
{
    // Same order as the Query ids.
    static const ChildPathSet queries{
        "MedlineCitation/Article/Journal/JournalIssue/PubDate/Year",
        "MedlineCitation/Article/Journal/JournalIssue/PubDate/MedlineDate",
        "MedlineCitation/Article/ArticleTitle",
        "MedlineCitation/PMID",
        "MedlineCitation/MedlineJournalInfo/MedlineTA",
        "MedlineCitation/Article/Journal/JournalIssue/Volume",
        "MedlineCitation/Article/Journal/JournalIssue/Issue",
        "MedlineCitation/Article/Pagination/MedlinePgn",
        "MedlineCitation/Article/Abstract/AbstractText",
        "PubmedData/ArticleIdList/ArticleId",
        "MedlineCitation/Article/AuthorList/Author",
    };
    return queries;
}

// The key filled by the first match of a query; Year and MedlineDate share one.
constexpr Key kFirstMatchKey[] = {
    Key::Year, Key::Year, Key::Title, Key::PMID, Key::Journal, Key::Volume, Key::Issue, Key::Pages, Key::Abstract,
};

bool isNamed(pugi::xml_node node, const char *name)
{
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

// One entry per LastName of an Author element, paired with that element's
// own first Initials, so an author without initials never borrows another's.
void addAuthors(pugi::xml_node author, ArticleRecord::Builder &builder, std::string &last, std::string &initials)
{
    pugi::xml_node initialsNode;
    for (pugi::xml_node child = author.first_child(); child; child = child.next_sibling()) {
        if (isNamed(child, "Initials")) {
            initialsNode = child;
            break;
        }
    }
    initials.clear();
    if (initialsNode)
        appendStringValue(initialsNode, initials);
    for (pugi::xml_node child = author.first_child(); child; child = child.next_sibling()) {
        if (isNamed(child, "LastName")) {
            last.clear();
            appendStringValue(child, last);
            builder.addAuthor(last, initials);
        }
    }
}

qsizetype appendArticles(CleanedResponse &cleaned, ArticleList &articles, std::string_view elinkBase)
{
    const XmlOutline &outline = cleaned.outline();
    if (!outline.hasRoot)
        return 0;
    articles.reserve(articles.size() + qsizetype(outline.childEnds.size()));
    const qsizetype before = articles.size();
    pugi::xml_document piece;
    ArticleRecord::Builder builder;
    const auto appendRecords = [&] {
        for (pugi::xml_node node = piece.first_child(); node; node = node.next_sibling()) {
            if (isRecordNode(node))
                articles.append(articleForNode(node, elinkBase, builder));
        }
    };
    // Pieces ending just after a child element are parsed in place. pugixml
    // borrows the last byte of an in-place buffer as its terminator, which is
    // harmless on a '>' but would cut the last character of trailing text, so
    // the text after the last child element is parsed from a copy.
    size_t begin = outline.contentBegin;
    const auto parsePiece = [&](size_t end) {
        piece.load_buffer_inplace(cleaned.data() + begin, end - begin, kPieceParseOptions, pugi::encoding_utf8);
        appendRecords();
        begin = end;
    };
    for (size_t cut : outline.childEnds) {
        if (cut - begin >= kPieceBytes)
            parsePiece(cut);
    }
    if (!outline.childEnds.empty() && outline.childEnds.back() > begin)
        parsePiece(outline.childEnds.back());
    if (outline.contentEnd > begin) {
        piece.load_buffer(cleaned.data() + begin, outline.contentEnd - begin, kPieceParseOptions, pugi::encoding_utf8);
        appendRecords();
    }
    return articles.size() - before;
}

} // namespace

std::string elinkBaseUrl(const Endpoints &endpoints)
{
    return endpoints.eutilsOrigin().toStdString() + Paths::ELink;
}

ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase, ArticleRecord::Builder &builder)
{
    builder.clear();
    pugi::xml_node first[Abstract + 1];
    pugi::xml_node doi;
    std::string last;
    std::string initials;
    articleQueries().forEachMatch(node, [&](int query, pugi::xml_node match) {
        if (query == Author)
            addAuthors(match, builder, last, initials);
        else if (query == ArticleId)
            doi = std::strcmp(match.attribute("IdType").value(), "doi") == 0 ? match : doi;
        else if (!first[query])
            first[query] = match;
        return true;
    });
    if (!first[Year])
        first[Year] = first[MedlineDate];
    for (int q = Year; q <= Abstract; ++q) {
        if (q != MedlineDate && first[q])
            appendStringValue(first[q], builder.text(kFirstMatchKey[q]));
    }
    if (doi)
        appendStringValue(doi, builder.text(Key::Doi));
    return builder.build(elinkBase);
}

ArticleRecord articleForNode(pugi::xml_node node, std::string_view elinkBase)
{
    ArticleRecord::Builder builder;
    return articleForNode(node, elinkBase, builder);
}

qsizetype appendArticlesFromResponse(std::string text, ArticleList &articles, std::string_view elinkBase)
{
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromText(std::move(text), kClosingTag);
    return cleaned ? appendArticles(*cleaned, articles, elinkBase) : 0;
}

qsizetype appendArticlesFromBytes(QByteArray bytes, ArticleList &articles, std::string_view elinkBase)
{
    if (bytes.size() > kMaxAnswerBytes)
        return 0;
    if (!isValidUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))))
        return -1;
    std::optional<CleanedResponse> cleaned = CleanedResponse::fromBytes(std::move(bytes), kClosingTag);
    return cleaned ? appendArticles(*cleaned, articles, elinkBase) : 0;
}
