#include "entrez/SearchResultParser.h"

#include "common/SystemLog.h"
#include "entrez/Pmid.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/XmlText.h"

#include <QString>

namespace {
enum Query { Id, Count, Translation, Expansion, TermSet, Errors, Warnings };

QString trimmedText(pugi::xml_node node)
{
    return QString::fromStdString(stringValue(node)).trimmed();
}

// Every element child, whatever its name, so that a kind of remark the
// service adds later is still shown.
void appendNotices(pugi::xml_node list, QList<QueryNotice> &out)
{
    for (pugi::xml_node child = list.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            out.append({QString::fromUtf8(child.name()), trimmedText(child)});
    }
}

void readQueryDetail(int query, pugi::xml_node node, SearchResult &result)
{
    switch (query) {
    case Translation:
        result.translation = trimmedText(node);
        break;
    case Expansion:
        result.expansions.append({trimmedText(node.child("From")), trimmedText(node.child("To"))});
        break;
    case TermSet:
        result.termCounts.append({trimmedText(node.child("Term")), trimmedText(node.child("Field")), trimmedText(node.child("Count"))});
        break;
    case Errors:
        appendNotices(node, result.errors);
        break;
    case Warnings:
        appendNotices(node, result.warnings);
        break;
    default:
        break;
    }
}
} // namespace

std::optional<SearchResult> searchResultFromResponse(const QByteArray &body)
{
    if (body.size() > kMaxAnswerBytes)
        return std::nullopt;
    // Decoding with replacement keeps an answer with a stray byte above 127 readable.
    const std::unique_ptr<XmlDocument> document =
        XMLDocumentForResponse(QString::fromUtf8(body).toStdString(), "</eSearchResult>");
    if (!document)
        return std::nullopt;

    // Paths from the document node: only an eSearchResult root and its own IdList and Count count.
    static const ChildPathSet queries{{Id, "eSearchResult/IdList/Id"},
                                      {Count, "eSearchResult/Count"},
                                      {Translation, "eSearchResult/QueryTranslation"},
                                      {Expansion, "eSearchResult/TranslationSet/Translation"},
                                      {TermSet, "eSearchResult/TranslationStack/TermSet"},
                                      {Errors, "eSearchResult/ErrorList"},
                                      {Warnings, "eSearchResult/WarningList"}};
    SearchResult result;
    pugi::xml_node count;
    std::string text;
    int dropped = 0;
    queries.forEachMatch(document->document(), [&](int query, pugi::xml_node node) {
        if (query == Id) {
            text.clear();
            appendStringValue(node, text);
            if (isPmid(text))
                result.PMIDs.append(QString::fromLatin1(text.data(), qsizetype(text.size())));
            else
                ++dropped;
        } else if (query == Count) {
            if (!count)
                count = node;
        } else {
            readQueryDetail(query, node, result);
        }
        return true;
    });
    if (!count)
        return std::nullopt;
    if (dropped > 0)
        systemLog(QStringLiteral("ESearch answer: %1 ids that are not 1 to 10 digits were dropped").arg(dropped));
    result.totalCount = QString::fromStdString(stringValue(count));
    result.retrievedCount = int(result.PMIDs.size());
    return result;
}

QString correctedQueryFromResponse(const QByteArray &body)
{
    if (body.size() > kMaxAnswerBytes)
        return {};
    const std::unique_ptr<XmlDocument> document =
        XMLDocumentForResponse(QString::fromUtf8(body).toStdString(), "</eSpellResult>");
    if (!document)
        return {};
    static const ChildPathSet corrected{"eSpellResult/CorrectedQuery"};
    return trimmedText(corrected.firstMatch(document->document(), 0));
}

std::optional<qint64> countFromResponse(const QByteArray &body)
{
    const std::optional<SearchResult> answer = searchResultFromResponse(body);
    bool ok = false;
    const qint64 count = answer ? answer->totalCount.toLongLong(&ok) : -1;
    return ok && count >= 0 ? std::optional<qint64>(count) : std::nullopt;
}
