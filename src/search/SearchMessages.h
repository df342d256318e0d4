#pragma once

#include "common/Endpoints.h"
#include "entrez/LinkKind.h"

#include <QString>

// Texts the search shows in the message line, on the more-articles button and
// in its alert.
namespace SearchMessages {
// What a session that has not searched yet says.
// The title of a tab that has not searched yet.
inline const QString NewTabTitle = QStringLiteral("New Search");
inline const QString Ready = QStringLiteral("Type a PubMed query and press Search.");
inline QString found(int totalCount)
{
    return QStringLiteral("found %1 articles").arg(totalCount);
}
inline QString foundDownloaded(int totalCount, int downloaded)
{
    return QStringLiteral("found %1 articles, downloaded %2 titles").arg(totalCount).arg(downloaded);
}
// The search reached the PMIDs ESearch serves and has more matches.
inline QString foundDownloadedAtLimit(int totalCount, int downloaded)
{
    return foundDownloaded(totalCount, downloaded)
        + QStringLiteral(" (PubMed serves only the first %1 matches; narrow the search to see the others)")
              .arg(kEsearchRecordLimit);
}
inline QString searching()
{
    return QStringLiteral("searching PubMed\u2026");
}
// The count, then what PubMed left out of the query, when it did.
inline QString withQueryNote(const QString &message, const QString &note)
{
    return note.isEmpty() ? message : message + QStringLiteral(" \u2014 ") + note;
}
inline QString busyRetrying(int seconds)
{
    return QStringLiteral("PubMed is busy, retrying in %1 s\u2026").arg(seconds);
}
// A tab of stored articles, read from the library.
inline QString stored(int count)
{
    return count == 1 ? QStringLiteral("1 article in the library") : QStringLiteral("%1 articles in the library").arg(count);
}
inline QString canceled()
{
    return QStringLiteral("canceled search");
}
inline QString searchFailed(const QString &reason)
{
    return QStringLiteral("search failed: ") + reason;
}
inline QString downloadFailed(const QString &reason)
{
    return QStringLiteral("download failed: ") + reason;
}
// An empty link set says why it is empty: PubMed knows only the citations
// deposited in PubMed Central.
inline QString noLinkedArticles(LinkKind kind, qsizetype asked)
{
    const bool one = asked == 1;
    switch (kind) {
    case LinkKind::Similar:
        return one ? QStringLiteral("PubMed lists no similar articles for this article")
                   : QStringLiteral("PubMed lists no similar articles for these articles");
    case LinkKind::CitedBy:
        return one ? QStringLiteral("No article in PubMed Central cites this article yet")
                   : QStringLiteral("No article in PubMed Central cites these articles yet");
    case LinkKind::References:
        return one ? QStringLiteral("No reference list of this article is deposited in PubMed Central")
                   : QStringLiteral("No reference list of these articles is deposited in PubMed Central");
    }
    return {};
}
// The same from iCite, which knows the citations of every PubMed article.
inline QString noIciteLinks(LinkKind kind, qsizetype asked)
{
    const bool one = asked == 1;
    if (kind == LinkKind::References)
        return one ? QStringLiteral("iCite lists no references of this article in PubMed")
                   : QStringLiteral("iCite lists no references of these articles in PubMed");
    return one ? QStringLiteral("iCite knows no PubMed article that cites this article")
               : QStringLiteral("iCite knows no PubMed article that cites these articles");
}
inline QString foundLinked(qsizetype count)
{
    return QStringLiteral("found %1 linked articles").arg(count);
}
inline QString linkFailed(const QString &reason)
{
    return QStringLiteral("linked articles not found: ") + reason;
}
// The one line a failed count request leaves, its reason in place of %1.
inline QString citedByCountsFailed(qsizetype articles)
{
    return QStringLiteral("cited-by counts of %1 articles not found: %2").arg(QString::number(articles), QStringLiteral("%1"));
}
inline const QString NetworkErrorTitle = QStringLiteral("Network Error");
inline const QString NetworkErrorMessage = QStringLiteral("There is no active internet connection");
inline const QString OK = QStringLiteral("OK");
} // namespace SearchMessages
