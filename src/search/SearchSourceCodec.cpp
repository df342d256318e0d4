#include "search/SearchSourceCodec.h"

#include <array>

namespace {

using ArticleType = SearchFilters::ArticleType;

// Names of the file's own, apart from the labels the window shows, so that
// a relabelled filter still reads what earlier builds wrote.
constexpr std::array<std::pair<ArticleType, const char *>, 7> kTypeNames{{
    {ArticleType::Review, "review"},
    {ArticleType::SystematicReview, "systematic-review"},
    {ArticleType::MetaAnalysis, "meta-analysis"},
    {ArticleType::RandomizedControlledTrial, "randomized-controlled-trial"},
    {ArticleType::ClinicalTrial, "clinical-trial"},
    {ArticleType::CaseReports, "case-reports"},
    {ArticleType::Guideline, "guideline"},
}};

constexpr std::array<std::pair<LinkKind, const char *>, 3> kLinkNames{{
    {LinkKind::Similar, "similar"},
    {LinkKind::CitedBy, "cited-by"},
    {LinkKind::References, "references"},
}};

const QString kQueryOrigin = QStringLiteral("query");

// The switches of SearchFilters, each with its item's name.
constexpr std::array<std::pair<bool SearchFilters::*, const char *>, 4> kFlags{{
    {&SearchFilters::freeFullText, "free"},
    {&SearchFilters::hasAbstract, "abstract"},
    {&SearchFilters::english, "english"},
    {&SearchFilters::humans, "humans"},
}};

const QString kClinicalKey = QStringLiteral("clinical");
const QString kSystematicItem = QStringLiteral("systematic");

} // namespace

namespace SearchSourceCodec {

QString sortText(SortOrder sort)
{
    return SortOrders::name(sort);
}

SortOrder sortFrom(const QString &text)
{
    return SortOrders::named(text).value_or(SortOrder::Recent);
}

QString filtersText(const SearchFilters &filters)
{
    QStringList items;
    if (filters.yearFrom > 0 || filters.yearTo > 0)
        items.append(QStringLiteral("years=%1:%2").arg(filters.yearFrom).arg(filters.yearTo));
    QStringList types;
    for (const auto &[type, name] : kTypeNames) {
        if (filters.articleTypes.contains(type))
            types.append(QLatin1String(name));
    }
    if (!types.isEmpty())
        items.append(QStringLiteral("types=") + types.join(QLatin1Char('|')));
    for (const auto &[flag, name] : kFlags) {
        if (filters.*flag)
            items.append(QLatin1String(name));
    }
    if (filters.clinical)
        items.append(kClinicalKey + QLatin1Char('=') + filters.clinical->name());
    if (filters.systematicReviews)
        items.append(kSystematicItem);
    return items.join(QLatin1Char(';'));
}

SearchFilters filtersFrom(const QString &text)
{
    SearchFilters filters;
    for (const QString &item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QString value = item.section(QLatin1Char('='), 1);
        if (key == QLatin1String("years")) {
            filters.yearFrom = qMax(0, value.section(QLatin1Char(':'), 0, 0).toInt());
            filters.yearTo = qMax(0, value.section(QLatin1Char(':'), 1, 1).toInt());
        } else if (key == QLatin1String("types")) {
            const QStringList names = value.split(QLatin1Char('|'));
            for (const auto &[type, name] : kTypeNames) {
                if (names.contains(QLatin1String(name)))
                    filters.articleTypes.append(type);
            }
        } else if (key == kClinicalKey) {
            filters.clinical = ClinicalQuery::named(value);
        }
        filters.systematicReviews = filters.systematicReviews || item == kSystematicItem;
        for (const auto &[flag, name] : kFlags) {
            if (item == QLatin1String(name))
                filters.*flag = true;
        }
    }
    return filters;
}

QStringList articleTypeNames()
{
    QStringList names;
    for (const auto &[type, name] : kTypeNames)
        names.append(QLatin1String(name));
    return names;
}

std::optional<SearchFilters::ArticleType> articleTypeNamed(const QString &name)
{
    for (const auto &[type, known] : kTypeNames) {
        if (name == QLatin1String(known))
            return type;
    }
    return std::nullopt;
}

QString originText(const SearchSource &source)
{
    if (source.kind != SearchSource::Kind::Links)
        return kQueryOrigin;
    for (const auto &[kind, name] : kLinkNames) {
        if (kind == source.link)
            return QLatin1String(name) + QLatin1Char(' ') + source.pmids.join(QLatin1Char(','));
    }
    return {};
}

SearchSource sourceFrom(const QString &origin, const QString &query, const QString &sort, const QString &filters)
{
    if (origin == kQueryOrigin)
        return SearchSource::pubmedQuery(query, sortFrom(sort), filtersFrom(filters));
    const QString kindName = origin.section(QLatin1Char(' '), 0, 0);
    const QStringList pmids = origin.section(QLatin1Char(' '), 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const auto &[kind, name] : kLinkNames) {
        if (kindName == QLatin1String(name) && !pmids.isEmpty())
            return SearchSource::linkedTo(kind, pmids);
    }
    return {};
}

} // namespace SearchSourceCodec
