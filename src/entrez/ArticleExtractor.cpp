#include "entrez/ArticleExtractor.h"

#include "common/SystemLog.h"

#include "entrez/ResponseCleanup.h"
#include "entrez/Utf8.h"
#include "entrez/XmlText.h"

#include <cstring>

namespace {

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
    articles.reserve(articles.size() + qsizetype(cleaned.outline().childEnds.size()));
    const qsizetype before = articles.size();
    ArticleRecord::Builder builder;
    int droppedPmids = 0;
    forEachRootChild(cleaned, [&](pugi::xml_node node) {
        if (isRecordNode(node)) {
            articles.append(articleForNode(node, elinkBase, builder));
            droppedPmids += builder.dropsPmid();
        }
    });
    if (droppedPmids > 0)
        systemLog(QStringLiteral("EFetch answer: %1 PMIDs that are not 1 to 10 digits were dropped").arg(droppedPmids));
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
