#pragma once

#include "entrez/ArticleRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <string_view>

// An article as a collection receives it: the record the extractor made and
// the article's own <PubmedArticle> or <PubmedBookArticle> element, kept so
// that a later extractor can read it again.
struct ArticleToStore
{
    ArticleRecord record;
    QByteArray xml;
    // Where it stood in the collection it goes back into; 0: after the others.
    qint64 position = 0;
};

// An article as the library holds it.
struct StoredArticle
{
    ArticleRecord record;
    QString note;
};

// An article as the library holds it, as an update compares a fresh one
// with: its XML as stored (StoredXml), and whether its record is retracted.
struct StoredVersion
{
    QByteArray compressedXml;
    bool retracted = false;
};

// The outcome of an offline search: PMIDs, the best match first.
using PmidList = QList<qint64>;

// Appends the articles of an EFetch answer as the library keeps them; returns
// what appendArticlesFromBytes would (the count, 0, or -1 for invalid UTF-8).
qsizetype appendArticlesToStore(QByteArray answer, QList<ArticleToStore> &articles, std::string_view elinkBase);
