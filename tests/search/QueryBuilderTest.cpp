// The query the advanced builder and the MeSH browser write.
#include "search/QueryBuilder.h"

#include <QTest>

using namespace QueryBuilder;

Q_DECLARE_METATYPE(QList<QueryBuilder::Row>)

class QueryBuilderTest : public QObject
{
    Q_OBJECT

private slots:
    void query_data()
    {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QString>("query");
        const auto row = [](Operator op, Field field, const QString &term, const QString &to = {}) {
            return Row{op, field, term, to};
        };
        const Operator And = Operator::And, Or = Operator::Or, Not = Operator::Not;
        QTest::newRow("a word per field, the first operator unused")
            << QList<Row>{row(Not, Field::Title, "asthma"), row(And, Field::FirstAuthor, "smith j"), row(And, Field::Journal, "lancet")}
            << "asthma[ti] AND smith j[1au] AND lancet[ta]";
        QTest::newRow("a phrase is quoted, an author keeps truncation")
            << QList<Row>{row(And, Field::TitleAbstract, " heart   attack "), row(Or, Field::LastAuthor, "van der berg a")}
            << "\"heart attack\"[tiab] OR van der berg a[lastau]";
        QTest::newRow("brackets and quotes in a term")
            << QList<Row>{row(And, Field::TextWord, "IL-6 [receptor]"), row(And, Field::Affiliation, "\"Oslo\" (Norway)")}
            << "\"IL-6 [receptor]\"[tw] AND \"Oslo (Norway)\"[ad]";
        QTest::newRow("a change of operator groups what came before")
            << QList<Row>{row(And, Field::MeshTerms, "asthma"), row(Or, Field::MeshTerms, "copd"), row(Not, Field::PublicationType, "review")}
            << "(asthma[mh] OR copd[mh]) NOT review[pt]";
        QTest::newRow("all fields as typed, grouped when it holds an operator")
            << QList<Row>{row(And, Field::AllFields, "cancer OR tumour"), row(And, Field::AllFields, "gene therapy")}
            << "(cancer OR tumour) AND gene therapy";
        QTest::newRow("date ranges, open ends")
            << QList<Row>{row(And, Field::PublicationDate, "2015", "2020"), row(And, Field::EntryDate, "2024/03/01"),
                          row(And, Field::PublicationDate, "", "1990")}
            << "2015:2020[dp] AND 2024/03/01:3000[edat] AND 1000:1990[dp]";
        QTest::newRow("a date that is no date writes nothing")
            << QList<Row>{row(And, Field::Language, "french"), row(And, Field::PublicationDate, "last year")} << "french[la]";
        QTest::newRow("history numbers and PMIDs")
            << QList<Row>{row(And, Field::Title, "#3"), row(Or, Field::Pmid, "31, 4 159"), row(Or, Field::MeshSubheading, "therapy")}
            << "#3 OR (31[pmid] OR 4[pmid] OR 159[pmid]) OR therapy[sh]";
        QTest::newRow("blank rows are left out")
            << QList<Row>{row(And, Field::Title, "  "), row(Or, Field::MeshMajorTopic, "sepsis"), row(And, Field::Author, "")}
            << "sepsis[majr]";
    }
    void query()
    {
        QFETCH(QList<Row>, rows);
        QFETCH(QString, query);
        QCOMPARE(QueryBuilder::query(rows), query);
    }

    void meshAndCombination_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("expected");
        QTest::newRow("heading") << meshClause("Asthma", MeshTag::Heading) << "\"Asthma\"[mh]";
        QTest::newRow("major topic with a subheading") << meshClause("Asthma", MeshTag::MajorTopic, "drug therapy")
                                                       << "\"Asthma/drug therapy\"[majr]";
        QTest::newRow("not exploded") << meshClause("Neoplasms", MeshTag::NoExplode) << "\"Neoplasms\"[mh:noexp]";
        QTest::newRow("into an empty field") << combine("  ", Operator::And, "\"Asthma\"[mh]") << "\"Asthma\"[mh]";
        QTest::newRow("after a word") << combine("child", Operator::Not, "\"Asthma\"[mh]") << "child NOT \"Asthma\"[mh]";
        QTest::newRow("after an OR") << combine("a OR b", Operator::And, "c[ti]") << "(a OR b) AND c[ti]";
        QTest::newRow("an OR inside quotes") << combine("\"a OR b\"[ti]", Operator::Or, "c") << "\"a OR b\"[ti] OR c";
    }
    void meshAndCombination()
    {
        QFETCH(QString, written);
        QFETCH(QString, expected);
        QCOMPARE(written, expected);
    }
};

QTEST_GUILESS_MAIN(QueryBuilderTest)
#include "QueryBuilderTest.moc"
