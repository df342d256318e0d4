#pragma once

#include "common/Endpoints.h"

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
inline QString moreArticles(int count)
{
    return QStringLiteral("get %1 more articles").arg(count);
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
inline const QString NetworkErrorTitle = QStringLiteral("Network Error");
inline const QString NetworkErrorMessage = QStringLiteral("There is no active internet connection");
inline const QString OK = QStringLiteral("OK");
} // namespace SearchMessages
