#include "search/SearchFilters.h"

#include <array>

namespace {

struct ArticleTypeRow
{
    SearchFilters::ArticleType type;
    const char *label;
    const char *tag; // the publication type as [pt] searches it
};

constexpr std::array<ArticleTypeRow, 7> kArticleTypes{{
    {SearchFilters::ArticleType::Review, "Review", "review[pt]"},
    {SearchFilters::ArticleType::SystematicReview, "Systematic Review", "systematic review[pt]"},
    {SearchFilters::ArticleType::MetaAnalysis, "Meta-Analysis", "meta-analysis[pt]"},
    {SearchFilters::ArticleType::RandomizedControlledTrial, "Randomized Controlled Trial", "randomized controlled trial[pt]"},
    {SearchFilters::ArticleType::ClinicalTrial, "Clinical Trial", "clinical trial[pt]"},
    {SearchFilters::ArticleType::CaseReports, "Case Reports", "case reports[pt]"},
    {SearchFilters::ArticleType::Guideline, "Guideline", "guideline[pt]"},
}};

// PubMed's own open ends of a publication date range.
constexpr int kFirstYear = 1000;
constexpr int kLastYear = 3000;

QString yearClause(int from, int to)
{
    if (from <= 0 && to <= 0)
        return {};
    return QStringLiteral("%1:%2[dp]").arg(from > 0 ? from : kFirstYear).arg(to > 0 ? to : kLastYear);
}

QString articleTypeClause(const QList<SearchFilters::ArticleType> &types)
{
    QStringList tags;
    for (const ArticleTypeRow &row : kArticleTypes) {
        if (types.contains(row.type))
            tags.append(QLatin1String(row.tag));
    }
    if (tags.size() < 2)
        return tags.value(0);
    return QLatin1Char('(') + tags.join(QLatin1String(" OR ")) + QLatin1Char(')');
}

} // namespace

QList<SearchFilters::ArticleType> SearchFilters::allArticleTypes()
{
    QList<ArticleType> types;
    for (const ArticleTypeRow &row : kArticleTypes)
        types.append(row.type);
    return types;
}

QString SearchFilters::label(ArticleType type)
{
    for (const ArticleTypeRow &row : kArticleTypes) {
        if (row.type == type)
            return QLatin1String(row.label);
    }
    return {};
}

QStringList SearchFilters::clauses() const
{
    QStringList list{yearClause(yearFrom, yearTo), articleTypeClause(articleTypes)};
    if (freeFullText)
        list.append(QStringLiteral("free full text[sb]"));
    if (hasAbstract)
        list.append(QStringLiteral("hasabstract"));
    if (english)
        list.append(QStringLiteral("english[la]"));
    if (humans)
        list.append(QStringLiteral("humans[mh]"));
    if (clinical)
        list.append(clinical->filter());
    if (systematicReviews)
        list.append(QLatin1String(kSystematicReviewsFilter));
    list.removeAll(QString());
    return list;
}

QString SearchFilters::effectiveQuery(const QString &query) const
{
    const QStringList filters = clauses();
    if (filters.isEmpty())
        return query.trimmed();
    return QLatin1Char('(') + query.trimmed() + QLatin1String(") AND ") + filters.join(QLatin1String(" AND "));
}
