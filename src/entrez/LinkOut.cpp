#include "entrez/LinkOut.h"

#include "entrez/Pmid.h"

#include <pugixml.hpp>

#include <algorithm>

bool LinkOutLink::isFullText() const
{
    return category.compare(QLatin1String("Full Text Sources"), Qt::CaseInsensitive) == 0;
}

EutilsRequest linkOutRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity)
{
    EncodedParameters parameters{{QStringLiteral("cmd"), QStringLiteral("llinks")}};
    for (const QString &pmid : pmids)
        parameters.append({QStringLiteral("id"), pmid});
    return eutilsRequest(endpoints, EutilsService::ELink, parameters, identity);
}

LinkOutAnswer linkOutAnswerFrom(const QByteArray &body)
{
    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), size_t(body.size())) || !document.child("eLinkResult"))
        return {{}, QStringLiteral("the answer is not ELink's")};
    LinkOutAnswer answer;
    for (const pugi::xml_node set : document.child("eLinkResult").children("LinkSet")) {
        for (const pugi::xml_node ids : set.child("IdUrlList").children("IdUrlSet")) {
            const std::string pmid = ids.child("Id").text().get();
            if (!isPmid(pmid))
                continue;
            QList<LinkOutLink> &links = answer.links[QString::fromStdString(pmid)];
            for (const pugi::xml_node object : ids.children("ObjUrl")) {
                LinkOutLink link;
                link.url = QUrl(QString::fromUtf8(object.child("Url").text().get()).trimmed(), QUrl::StrictMode);
                if (!link.url.isValid() || (link.url.scheme() != QLatin1String("https") && link.url.scheme() != QLatin1String("http")))
                    continue;
                link.provider = QString::fromUtf8(object.child("Provider").child("Name").text().get()).trimmed();
                link.category = QString::fromUtf8(object.child("Category").text().get()).trimmed();
                for (const pugi::xml_node attribute : object.children("Attribute"))
                    link.free = link.free || QLatin1String(attribute.text().get()) == QLatin1String("free resource");
                links.append(link);
            }
            std::stable_sort(links.begin(), links.end(),
                             [](const LinkOutLink &a, const LinkOutLink &b) { return a.isFullText() && !b.isFullText(); });
        }
    }
    return answer;
}
