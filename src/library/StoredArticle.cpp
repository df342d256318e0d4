#include "library/StoredArticle.h"

#include "entrez/ArticleExtractor.h"

qsizetype appendArticlesToStore(QByteArray answer, QList<ArticleToStore> &articles, std::string_view elinkBase)
{
    ArticleList records;
    QList<QByteArray> elements;
    const qsizetype count = appendArticlesWithXml(std::move(answer), records, elements, elinkBase);
    articles.reserve(articles.size() + records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        articles.append({std::move(records[i]), std::move(elements[i]), 0});
    return count;
}
