#include "entrez/ElinkAnswer.h"

#include "common/Endpoints.h"
#include "entrez/Pmid.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/XmlText.h"

#include <algorithm>

namespace {

QString textOf(pugi::xml_node node)
{
    return QString::fromStdString(stringValue(node)).trimmed();
}

std::optional<QString> pmidOf(pugi::xml_node id)
{
    const std::string text = stringValue(id);
    if (!isPmid(text))
        return std::nullopt;
    return QString::fromStdString(text);
}

std::optional<qint64> scoreOf(pugi::xml_node link)
{
    const pugi::xml_node score = link.child("Score");
    if (!score)
        return std::nullopt;
    bool ok = false;
    const qint64 value = textOf(score).toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// Appends the links of `linkSetDb` until `links` holds `room`.
void appendLinks(pugi::xml_node linkSetDb, QList<LinkedArticle> &links, qsizetype room)
{
    for (pugi::xml_node link = linkSetDb.child("Link"); link && links.size() < room; link = link.next_sibling("Link")) {
        if (const std::optional<QString> pmid = pmidOf(link.child("Id")))
            links.append({*pmid, scoreOf(link)});
    }
}

ElinkLinkSet linkSetOf(pugi::xml_node node)
{
    ElinkLinkSet set;
    for (pugi::xml_node id : node.child("IdList").children("Id")) {
        if (const std::optional<QString> pmid = pmidOf(id))
            set.askedPmids.append(*pmid);
    }
    // A result set never holds more than a search serves; an article
    // cited millions of times must not take gigabytes.
    const qsizetype room = qsizetype(kEsearchRecordLimit) * std::max<qsizetype>(set.askedPmids.size(), 1);
    for (pugi::xml_node db : node.children("LinkSetDb"))
        appendLinks(db, set.links[textOf(db.child("LinkName"))], room);
    set.error = textOf(node.child("ERROR"));
    return set;
}

} // namespace

QString ElinkAnswer::errorMessage() const
{
    if (!error.isEmpty())
        return QStringLiteral("ELink answered: %1").arg(error);
    for (const ElinkLinkSet &set : linkSets) {
        if (!set.error.isEmpty())
            return QStringLiteral("ELink answered for PMID %1: %2")
                .arg(set.askedPmids.join(QLatin1String(", ")), set.error);
    }
    return {};
}

std::optional<ElinkAnswer> elinkAnswerFromResponse(const QByteArray &body)
{
    if (body.size() > kMaxAnswerBytes)
        return std::nullopt;
    const std::unique_ptr<XmlDocument> document =
        XMLDocumentForResponse(QString::fromUtf8(body).toStdString(), "</eLinkResult>");
    if (!document)
        return std::nullopt;
    const pugi::xml_node root = document->document().child("eLinkResult");
    if (!root)
        return std::nullopt;
    ElinkAnswer answer;
    for (pugi::xml_node set : root.children("LinkSet"))
        answer.linkSets.append(linkSetOf(set));
    answer.error = textOf(root.child("ERROR"));
    return answer;
}
