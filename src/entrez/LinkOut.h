#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QUrl>

// One provider NCBI's LinkOut knows for an article.
struct LinkOutLink
{
    QString provider = {};
    QString category = {}; // "Full Text Sources", "Medical", ...
    QUrl url = {};         // http or https only
    // Marked "free resource"; otherwise "subscription/membership/fee
    // required" or not said.
    bool free = false;

    // A link to the article's text rather than to other material about it.
    bool isFullText() const;
};

// ELink's LinkOut list (cmd=llinks) for each of `pmids`, one id= each.
EutilsRequest linkOutRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity);

// A LinkOut answer read: the links of each PMID, full-text sources first, in
// the order given within each kind; a PMID without links ("No links") has an
// empty list. The reason when the body is no ELink answer.
struct LinkOutAnswer
{
    QHash<QString, QList<LinkOutLink>> links = {};
    QString error = {};
};
LinkOutAnswer linkOutAnswerFrom(const QByteArray &body);
