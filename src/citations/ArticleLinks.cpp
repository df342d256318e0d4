#include "citations/ArticleLinks.h"

#include "entrez/Pmid.h"

namespace {

using Key = ArticleRecord::Key;

bool isPmcid(std::string_view text)
{
    constexpr std::string_view prefix = "PMC";
    return text.substr(0, prefix.size()) == prefix && isPmid(text.substr(prefix.size()));
}

QString pageUrl(const QString &origin, const char *prefix, std::string_view id)
{
    return origin + QLatin1String(prefix) + QString::fromLatin1(id.data(), qsizetype(id.size()))
        + QLatin1String(Paths::ArticleSuffix);
}

QString lines(const ArticleList &articles, Key key)
{
    QStringList values;
    for (const ArticleRecord &article : articles) {
        if (!article.utf8(key).empty())
            values.append(article.text(key));
    }
    return values.join(QLatin1Char('\n'));
}

} // namespace

QString pubmedUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints)
{
    const std::string_view pmid = article.utf8(Key::PMID);
    return isPmid(pmid) ? pageUrl(endpoints.pubmedOrigin(), Paths::PubMedArticlePrefix, pmid) : QString();
}

QString pmcUrlForArticle(const ArticleRecord &article, const Endpoints &endpoints)
{
    const std::string_view pmcid = article.utf8(Key::Pmcid);
    return isPmcid(pmcid) ? pageUrl(endpoints.pmcOrigin(), Paths::PmcArticlePrefix, pmcid) : QString();
}

QString pmidLines(const ArticleList &articles)
{
    return lines(articles, Key::PMID);
}

QString doiLines(const ArticleList &articles)
{
    return lines(articles, Key::Doi);
}
