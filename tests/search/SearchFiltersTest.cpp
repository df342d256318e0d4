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
