#include "search/ClinicalFilters.h"

#include <QStringList>

#include <array>

namespace {

using Category = ClinicalQuery::Category;

struct CategoryRow
{
    Category category;
    const char *name;
    const char *label;
    const char *broad;
    const char *narrow;
};

// NLM's Clinical Study Categories filters, exactly as the PubMed User Guide
// publishes them (the layout's line breaks read as single spaces):
// https://pubmed.ncbi.nlm.nih.gov/help/#clinical-queries-filters
// (the table "Clinical Study Categories", revised December 2011).
constexpr std::array<CategoryRow, 5> kCategories{{
    {Category::Therapy, "therapy", "Therapy",
     "((clinical[Title/Abstract] AND trial[Title/Abstract]) OR clinical trials as topic[MeSH Terms] OR clinical "
     "trial[Publication Type] OR random*[Title/Abstract] OR random allocation[MeSH Terms] OR therapeutic use[MeSH "
     "Subheading])",
     "(randomized controlled trial[Publication Type] OR (randomized[Title/Abstract] AND controlled[Title/Abstract] "
     "AND trial[Title/Abstract]))"},
    {Category::Diagnosis, "diagnosis", "Diagnosis",
     "(sensitiv*[Title/Abstract] OR sensitivity and specificity[MeSH Terms] OR diagnose[Title/Abstract] OR "
     "diagnosed[Title/Abstract] OR diagnoses[Title/Abstract] OR diagnosing[Title/Abstract] OR "
     "diagnosis[Title/Abstract] OR diagnostic[Title/Abstract] OR diagnosis[MeSH:noexp] OR (diagnostic "
     "equipment[MeSH:noexp] OR diagnostic errors[MeSH:noexp] OR diagnostic imaging[MeSH:noexp] OR diagnostic "
     "services[MeSH:noexp]) OR diagnosis, differential[MeSH:noexp] OR diagnosis[Subheading:noexp])",
     "(specificity[Title/Abstract])"},
    {Category::Etiology, "etiology", "Etiology",
     "(risk*[Title/Abstract] OR risk*[MeSH:noexp] OR (risk adjustment[MeSH:noexp] OR risk assessment[MeSH:noexp] "
     "OR risk factors[MeSH:noexp] OR risk management[MeSH:noexp] OR risk taking[MeSH:noexp]) OR cohort "
     "studies[MeSH Terms] OR group[Text Word] OR groups[Text Word] OR grouped [Text Word])",
     "((relative[Title/Abstract] AND risk*[Title/Abstract]) OR (relative risk[Text Word]) OR risks[Text Word] OR "
     "cohort studies[MeSH:noexp] OR (cohort[Title/Abstract] AND study[Title/Abstract]) OR (cohort[Title/Abstract] "
     "AND studies[Title/Abstract]))"},
    {Category::Prognosis, "prognosis", "Prognosis",
     "(incidence[MeSH:noexp] OR mortality[MeSH Terms] OR follow up studies[MeSH:noexp] OR prognos*[Text Word] OR "
     "predict*[Text Word] OR course*[Text Word])",
     "(prognos*[Title/Abstract] OR (first[Title/Abstract] AND episode[Title/Abstract]) OR cohort[Title/Abstract])"},
    {Category::PredictionGuides, "prediction-guides", "Clinical Prediction Guides",
     "(predict*[Title/Abstract] OR predictive value of tests[MeSH Terms] OR score[Title/Abstract] OR "
     "scores[Title/Abstract] OR scoring system[Title/Abstract] OR scoring systems[Title/Abstract] OR "
     "observ*[Title/Abstract] OR observer variation[MeSH Terms])",
     "(validation[Title/Abstract] OR validate[Title/Abstract])"},
}};

const CategoryRow &rowOf(Category category)
{
    for (const CategoryRow &row : kCategories) {
        if (row.category == category)
            return row;
    }
    return kCategories.front();
}

const QString kBroad = QStringLiteral("broad");
const QString kNarrow = QStringLiteral("narrow");

} // namespace

QString ClinicalQuery::filter() const
{
    const CategoryRow &row = rowOf(category);
    return QLatin1String(scope == Scope::Narrow ? row.narrow : row.broad);
}

QString ClinicalQuery::name() const
{
    return name(category) + QLatin1Char('/') + (scope == Scope::Narrow ? kNarrow : kBroad);
}

QString ClinicalQuery::label() const
{
    return QStringLiteral("%1 (%2)").arg(label(category), scope == Scope::Narrow ? kNarrow : kBroad);
}

QList<ClinicalQuery::Category> ClinicalQuery::categories()
{
    QList<Category> list;
    for (const CategoryRow &row : kCategories)
        list.append(row.category);
    return list;
}

QString ClinicalQuery::label(Category category)
{
    return QLatin1String(rowOf(category).label);
}

QString ClinicalQuery::name(Category category)
{
    return QLatin1String(rowOf(category).name);
}

std::optional<ClinicalQuery> ClinicalQuery::named(const QString &text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char('/'));
    if (parts.size() > 2)
        return std::nullopt;
    const QString scope = parts.value(1, kBroad);
    if (scope != kBroad && scope != kNarrow)
        return std::nullopt;
    for (const CategoryRow &row : kCategories) {
        if (parts.constFirst() == QLatin1String(row.name))
            return ClinicalQuery{row.category, scope == kNarrow ? Scope::Narrow : Scope::Broad};
    }
    return std::nullopt;
}
