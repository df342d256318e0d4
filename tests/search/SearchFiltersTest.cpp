// The query syntax each filter writes, and how it joins the query; the
// words of a query that the views highlight.
#include "search/QueryWords.h"
#include "search/SearchFilters.h"

#include <QTest>

Q_DECLARE_METATYPE(SearchFilters)
Q_DECLARE_METATYPE(SearchSource)

using Type = SearchFilters::ArticleType;

class SearchFiltersTest : public QObject
{
    Q_OBJECT

private slots:
    void effectiveQuery_data()
    {
        QTest::addColumn<SearchFilters>("filters");
        QTest::addColumn<QString>("effective"); // of the query " crispr[ti] OR cas9 "
        QTest::newRow("none") << SearchFilters{} << "crispr[ti] OR cas9";
        QTest::newRow("years") << SearchFilters{.yearFrom = 2015, .yearTo = 2020} << "(crispr[ti] OR cas9) AND 2015:2020[dp]";
        QTest::newRow("from a year on") << SearchFilters{.yearFrom = 2015} << "(crispr[ti] OR cas9) AND 2015:3000[dp]";
        QTest::newRow("up to a year") << SearchFilters{.yearTo = 1990} << "(crispr[ti] OR cas9) AND 1000:1990[dp]";
        QTest::newRow("types in the offered order, any of them")
            << SearchFilters{.articleTypes = {Type::Guideline, Type::Review, Type::RandomizedControlledTrial}}
            << "(crispr[ti] OR cas9) AND (review[pt] OR randomized controlled trial[pt] OR guideline[pt])";
        QTest::newRow("everything")
            << SearchFilters{2015, 2020, {Type::MetaAnalysis}, true, true, true, true}
            << "(crispr[ti] OR cas9) AND 2015:2020[dp] AND meta-analysis[pt] AND free full text[sb] AND hasabstract AND "
               "english[la] AND humans[mh]";
        QTest::newRow("clinical study and systematic reviews")
            << SearchFilters{.clinical = ClinicalQuery{ClinicalQuery::Category::Diagnosis, ClinicalQuery::Scope::Narrow},
                             .systematicReviews = true}
            << "(crispr[ti] OR cas9) AND (specificity[Title/Abstract]) AND systematic[sb]";
    }

    // Each filter of the Clinical Queries as NLM publishes it on
    // https://pubmed.ncbi.nlm.nih.gov/help/#clinical-queries-filters
    // (copied from the page; its line breaks read as single spaces).
    void clinicalFiltersAreThePublishedOnes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("published");
        QTest::newRow("therapy broad") << "therapy" << "((clinical[Title/Abstract] AND trial[Title/Abstract]) OR clinical trials as topic[MeSH Terms] OR clinical trial[Publication Type] OR random*[Title/Abstract] OR random allocation[MeSH Terms] OR therapeutic use[MeSH Subheading])";
        QTest::newRow("therapy narrow") << "Therapy/Narrow" << "(randomized controlled trial[Publication Type] OR (randomized[Title/Abstract] AND controlled[Title/Abstract] AND trial[Title/Abstract]))";
        QTest::newRow("diagnosis broad") << "diagnosis/broad" << "(sensitiv*[Title/Abstract] OR sensitivity and specificity[MeSH Terms] OR diagnose[Title/Abstract] OR diagnosed[Title/Abstract] OR diagnoses[Title/Abstract] OR diagnosing[Title/Abstract] OR diagnosis[Title/Abstract] OR diagnostic[Title/Abstract] OR diagnosis[MeSH:noexp] OR (diagnostic equipment[MeSH:noexp] OR diagnostic errors[MeSH:noexp] OR diagnostic imaging[MeSH:noexp] OR diagnostic services[MeSH:noexp]) OR diagnosis, differential[MeSH:noexp] OR diagnosis[Subheading:noexp])";
        QTest::newRow("diagnosis narrow") << "diagnosis/narrow" << "(specificity[Title/Abstract])";
        QTest::newRow("etiology broad") << "etiology/broad" << "(risk*[Title/Abstract] OR risk*[MeSH:noexp] OR (risk adjustment[MeSH:noexp] OR risk assessment[MeSH:noexp] OR risk factors[MeSH:noexp] OR risk management[MeSH:noexp] OR risk taking[MeSH:noexp]) OR cohort studies[MeSH Terms] OR group[Text Word] OR groups[Text Word] OR grouped [Text Word])";
        QTest::newRow("etiology narrow") << "etiology/narrow" << "((relative[Title/Abstract] AND risk*[Title/Abstract]) OR (relative risk[Text Word]) OR risks[Text Word] OR cohort studies[MeSH:noexp] OR (cohort[Title/Abstract] AND study[Title/Abstract]) OR (cohort[Title/Abstract] AND studies[Title/Abstract]))";
        QTest::newRow("prognosis broad") << "prognosis/broad" << "(incidence[MeSH:noexp] OR mortality[MeSH Terms] OR follow up studies[MeSH:noexp] OR prognos*[Text Word] OR predict*[Text Word] OR course*[Text Word])";
        QTest::newRow("prognosis narrow") << "prognosis/narrow" << "(prognos*[Title/Abstract] OR (first[Title/Abstract] AND episode[Title/Abstract]) OR cohort[Title/Abstract])";
        QTest::newRow("prediction guides broad") << "prediction-guides/broad" << "(predict*[Title/Abstract] OR predictive value of tests[MeSH Terms] OR score[Title/Abstract] OR scores[Title/Abstract] OR scoring system[Title/Abstract] OR scoring systems[Title/Abstract] OR observ*[Title/Abstract] OR observer variation[MeSH Terms])";
        QTest::newRow("prediction guides narrow") << "prediction-guides/narrow" << "(validation[Title/Abstract] OR validate[Title/Abstract])";
        QTest::newRow("unknown category") << "harm/broad" << "";
        QTest::newRow("unknown scope") << "therapy/wide" << "";
    }
    void clinicalFiltersAreThePublishedOnes()
    {
        QFETCH(QString, name);
        QFETCH(QString, published);
        const std::optional<ClinicalQuery> clinical = ClinicalQuery::named(name);
        QCOMPARE(clinical ? clinical->filter() : QString(), published);
        if (clinical)
            QCOMPARE(ClinicalQuery::named(clinical->name()), clinical);
    }
    void effectiveQuery()
    {
        QFETCH(SearchFilters, filters);
        QFETCH(QString, effective);
        QCOMPARE(filters.effectiveQuery(QStringLiteral(" crispr[ti] OR cas9 ")), effective);
    }

    void queryWords_data()
    {
        QTest::addColumn<SearchSource>("source");
        QTest::addColumn<QStringList>("words");
        // What NOT leaves out is not found in the articles.
        QTest::newRow("operators, tags, wildcards")
            << SearchSource::pubmedQuery("crispr*[ti] AND (cas9 OR Cas9[tiab]) NOT mice[mh]")
            << QStringList{"crispr", "cas9"};
        QTest::newRow("NOT of a group, inside a group")
            << SearchSource::pubmedQuery("(fever NOT (rat OR mouse) AND sepsis) NOT child OR adult")
            << QStringList{"fever", "sepsis", "adult"};
        // A filter's words, as the combined query writes them, are no words of the text.
        QTest::newRow("phrases, ranges, filters")
            << SearchSource::pubmedQuery("(\"bone  cement\"[tiab] leak) AND 2015:2020[dp] AND (case reports[pt] OR english[la])")
            << QStringList{"bone cement", "leak"};
        QTest::newRow("words PubMed ignores, unless quoted")
            << SearchSource::pubmedQuery("the role of sepsis in \"the end\"") << QStringList{"role", "sepsis", "the end"};
        QTest::newRow("nothing to find") << SearchSource::pubmedQuery("\"\" AND [ti] 2020") << QStringList();
        // A tab's title names a collection or the articles linked, no words of theirs.
        QTest::newRow("a collection") << SearchSource::stored("The sepsis review", 3) << QStringList();
        QTest::newRow("a library search") << SearchSource::stored("Library: fever sepsis*", 0, "fever sepsis*")
                                          << QStringList{"fever", "sepsis"};
        QTest::newRow("a link set") << SearchSource::linkedTo(LinkKind::CitedBy, {"31746150"}) << QStringList();
    }
    void queryWords()
    {
        QFETCH(SearchSource, source);
        QFETCH(QStringList, words);
        QCOMPARE(wordsLookedFor(source), words);
    }
};

QTEST_GUILESS_MAIN(SearchFiltersTest)
#include "SearchFiltersTest.moc"
