#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// One linked article of a link set; `score` only for similar articles asked
// with cmd=neighbor_score.
struct LinkedArticle
{
    QString pmid;
    std::optional<qint64> score;

    bool operator==(const LinkedArticle &) const = default;
};

// One <LinkSet>: the PMIDs it was asked about (one, or all of a union), its
// links by link name in answer order, and its own <ERROR> text.
struct ElinkLinkSet
{
    QStringList askedPmids;
    QMap<QString, QList<LinkedArticle>> links;
    QString error;
};

// A whole ELink answer: its link sets and a top-level <ERROR> text.
struct ElinkAnswer
{
    QList<ElinkLinkSet> linkSets;
    QString error;

    // The first error, top level or of a link set, as one line naming the
    // PMIDs it is about; empty when the service reported none.
    QString errorMessage() const;
};

// Reads an ELink answer body: decoded as UTF-8, cleaned with the closing tag
// "</eLinkResult>", then each LinkSet of the root. An Id that is not a PMID is
// dropped, as is an unreadable Score. No document, or another root, gives
// nothing. An empty <ERROR/> is no error. A link set keeps at most 9,999
// links of each name per PMID it was asked about (the first ones), as many as
// a search's result set holds.
std::optional<ElinkAnswer> elinkAnswerFromResponse(const QByteArray &body);
