#include "entrez/LinkKind.h"

#include "entrez/BlockingFetcher.h"
#include "entrez/EntrezMessages.h"

#include <QHash>
#include <QSet>

#include <algorithm>

QString linkNameOf(LinkKind kind)
{
    switch (kind) {
    case LinkKind::Similar:
        return QStringLiteral("pubmed_pubmed");
    case LinkKind::CitedBy:
        return QStringLiteral("pubmed_pubmed_citedin");
    case LinkKind::References:
        return QStringLiteral("pubmed_pubmed_refs");
    }
    return {};
}

namespace {

// Each PMID once, at its first place, keeping its best score.
QList<LinkedArticle> unionOf(const ElinkAnswer &answer, const QString &linkName, const QSet<QString> &leftOut)
{
    QList<LinkedArticle> links;
    QHash<QString, qsizetype> places;
    for (const ElinkLinkSet &set : answer.linkSets) {
        for (const LinkedArticle &link : set.links.value(linkName)) {
            if (leftOut.contains(link.pmid))
                continue;
            const auto place = places.constFind(link.pmid);
            if (place == places.cend()) {
                places.insert(link.pmid, links.size());
                links.append(link);
            } else if (link.score > links[*place].score) {
                links[*place].score = link.score;
            }
        }
    }
    return links;
}

} // namespace

QList<LinkedArticle> orderedLinks(const ElinkAnswer &answer, LinkKind kind, const QStringList &asked)
{
    const QSet<QString> leftOut = kind == LinkKind::Similar ? QSet<QString>(asked.cbegin(), asked.cend()) : QSet<QString>();
    QList<LinkedArticle> links = unionOf(answer, linkNameOf(kind), leftOut);
    if (kind == LinkKind::Similar) {
        std::stable_sort(links.begin(), links.end(),
                         [](const LinkedArticle &a, const LinkedArticle &b) { return a.score > b.score; });
    } else if (kind == LinkKind::CitedBy) {
        std::sort(links.begin(), links.end(), [](const LinkedArticle &a, const LinkedArticle &b) {
            return a.pmid.toLongLong() > b.pmid.toLongLong();
        });
    }
    return links;
}

QHash<QString, QStringList> linkedFrom(const ElinkAnswer &answer, LinkKind kind, const QStringList &asked)
{
    QHash<QString, QStringList> sources;
    for (const QString &pmid : asked) {
        for (const ElinkLinkSet &set : answer.linkSets) {
            if (!set.askedPmids.contains(pmid))
                continue;
            for (const LinkedArticle &link : set.links.value(linkNameOf(kind))) {
                QStringList &from = sources[link.pmid];
                if (!from.contains(pmid))
                    from.append(pmid);
            }
        }
    }
    return sources;
}

QStringList pmidsOf(const QList<LinkedArticle> &links)
{
    QStringList pmids;
    pmids.reserve(links.size());
    for (const LinkedArticle &link : links)
        pmids.append(link.pmid);
    return pmids;
}

LinkedPmidsOutcome linkedPmidsOutcome(const FetchResult &fetched, LinkKind kind, const QStringList &asked)
{
    if (!fetched.ok())
        return {{}, fetched.error};
    const std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(fetched.body);
    if (!answer)
        return {{}, EntrezMessages::notALinkSet()};
    if (const QString error = answer->errorMessage(); !error.isEmpty())
        return {{}, error};
    return {pmidsOf(orderedLinks(*answer, kind, asked)), {}, linkedFrom(*answer, kind, asked)};
}
