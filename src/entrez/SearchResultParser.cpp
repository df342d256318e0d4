#include "entrez/SearchResultParser.h"

#include "common/SystemLog.h"
#include "entrez/Pmid.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/XmlText.h"

#include <QString>

namespace {
enum Query { Id, Count };
}

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
    static const ChildPathSet queries{"eSearchResult/IdList/Id", "eSearchResult/Count"};
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
        } else if (!count) {
            count = node;
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
