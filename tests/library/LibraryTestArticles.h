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

// `count` distinct articles made from the records of `answer` in rotation,
// under the PMIDs first, first + 1, ...: many articles for one parse.
inline QList<ArticleToStore> manyArticles(const QByteArray &answer, qint64 first, int count)
{
    QList<QByteArray> records;
    for (qsizetype at = answer.indexOf("<PubmedArticle>"); at >= 0; at = answer.indexOf("<PubmedArticle>", at + 1))
        records.append(answer.mid(at, answer.indexOf("</PubmedArticle>", at) + 16 - at));
    QByteArray many = "<PubmedArticleSet>";
    for (int i = 0; i < count && !records.isEmpty(); ++i) {
        QByteArray record = records.at(i % records.size());
        const qsizetype open = record.indexOf('>', record.indexOf("<PMID")) + 1;
        record.replace(open, record.indexOf("</PMID>") - open, QByteArray::number(first + i));
        many += record;
    }
    return articlesToStore(many + "</PubmedArticleSet>");
}
