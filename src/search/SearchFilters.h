#pragma once

#include "search/ClinicalFilters.h"

#include <QList>
#include <QString>
#include <QStringList>

// Filters that narrow a query by writing PubMed query syntax, so that a
// filtered search is reproducible by pasting its effective query into PubMed.
struct SearchFilters
{
    enum class ArticleType { Review, SystematicReview, MetaAnalysis, RandomizedControlledTrial, ClinicalTrial, CaseReports, Guideline };

    int yearFrom = 0; // 0: no bound
    int yearTo = 0;
    QList<ArticleType> articleTypes = {}; // any of them
    bool freeFullText = false;
    bool hasAbstract = false;
    bool english = false;
    bool humans = false;
    // A Clinical Queries study category, and the Systematic Reviews filter.
    std::optional<ClinicalQuery> clinical = {};
    bool systematicReviews = false;

    static QList<ArticleType> allArticleTypes();
    // "Review", "Systematic Review", ...: what the window offers.
    static QString label(ArticleType type);

    bool isEmpty() const { return clauses().isEmpty(); }
    // One piece of query syntax per filter set: "2015:2020[dp]",
    // "(review[pt] OR meta-analysis[pt])", "free full text[sb]", "hasabstract",
    // "english[la]", "humans[mh]", a clinical study filter, "systematic[sb]".
    QStringList clauses() const;
    // The query in parentheses ANDed with every clause; the query as typed
    // (trimmed) when no filter is set.
    QString effectiveQuery(const QString &query) const;

    friend bool operator==(const SearchFilters &, const SearchFilters &) = default;
};
