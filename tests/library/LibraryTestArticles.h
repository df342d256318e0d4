#pragma once

#include "entrez/ArticleExtractor.h"
#include "library/StoredArticle.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

// The articles of a real EFetch answer as a download stores them.
inline QList<ArticleToStore> articlesToStore(const QByteArray &answer)
{
    QList<ArticleToStore> articles;
    appendArticlesToStore(answer, articles, elinkBaseUrl(Endpoints()));
    return articles;
}

// The same article under another PMID, as the benchmark and the bulk tests
// need many distinct ones.
inline ArticleToStore withPmid(const ArticleToStore &article, qint64 pmid)
{
    static const QRegularExpression firstPmid(QStringLiteral("<PMID([^>]*)>\\d+</PMID>"));
    QString xml = QString::fromUtf8(article.xml);
    const QRegularExpressionMatch match = firstPmid.match(xml);
    xml.replace(match.capturedStart(), match.capturedLength(),
                QStringLiteral("<PMID%1>%2</PMID>").arg(match.captured(1)).arg(pmid));
    return articlesToStore("<PubmedArticleSet>" + xml.toUtf8() + "</PubmedArticleSet>").value(0);
}
