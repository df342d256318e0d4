// The answers of iCite, PMC's ID converter and ECitMatch read into what the
// window uses, from the real answers in tests/data/services and the cases
// they lack.
#include "entrez/CitationMatch.h"
#include "services/Icite.h"
#include "services/IdConverter.h"
#include "TestData.h"

#include <QTest>

namespace {
QString sample(const char *name)
{
    return QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/services/") + QLatin1String(name);
}
} // namespace

class ServiceAnswersTest : public QObject
{
    Q_OBJECT

private slots:
    // "pmid citedBy references rcr percentile" per record, "-" for unknown.
    void icite_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("records");
        const QByteArray recent = readTestData(sample("icite/needlehaysack_api_pubs_32162448_pasted_in_markdown.json")).value_or("");
        const QByteArray older = readTestData(sample("icite/openicite_readme_api_pubs_23456789_27599104_doc_example_trimmed.json")).value_or("");
        QTest::newRow("2025: booleans, authors as objects") << recent << QStringList{"32162448 17 31 2.18 77.1"};
        // Its lists are trimmed: the count is citation_count's, not the list's.
        QTest::newRow("older: Yes/No, authors as text") << older << QStringList{"23456789 46 0 1.78 71.0", "27599104 222 0 9.87 97.9"};
        QByteArray fresh = recent;
        fresh.replace("\"relative_citation_ratio\": 2.18475199552701", "\"relative_citation_ratio\": null")
            .replace("\"nih_percentile\": 77.1", "\"nih_percentile\": \"\"")
            .replace("\"citation_count\": 17", "\"citation_count\": \"20\"");
        QTest::newRow("no RCR yet, a count as text") << fresh << QStringList{"32162448 20 31 - -"};
        QTest::newRow("entries without a PMID skipped")
            << QByteArray(R"({"data": [{"pmid": "1&db=x", "citation_count": 3}, {"pmid": 12.5}, {"pmid": 7, "cited_by": [8, "9", "x"]}]})")
            << QStringList{"7 2 - - -"};
        QTest::newRow("not iCite's") << QByteArray("<html>busy</html>") << QStringList();
    }
    void icite()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, records);
        const IciteAnswer answer = iciteAnswerFrom(body);
        QCOMPARE(answer.error.isEmpty(), !records.isEmpty());
        QStringList read;
        const auto text = [](const auto &value, auto write) { return value ? write(*value) : QStringLiteral("-"); };
        for (const IciteRecord &record : answer.records) {
            const auto number = [](qsizetype n) { return QString::number(n); };
            read.append(QStringList{record.pmid, text(record.metrics.citedBy, number), text(record.metrics.references, number),
                                    text(record.metrics.rcr, rcrText), text(record.metrics.nihPercentile, percentileText)}
                            .join(u' '));
        }
        QCOMPARE(read, records);
    }

    // "requested pmid pmcid doi" per record the converter knows.
    void idConverter_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("real XML answer") << readTestData(sample("idconv/metapub_idconv_v1.0_PMC3479421_docstring.xml")).value_or("")
                                         << QStringList{"PMC3479421 22676651 PMC3479421 10.1186/1750-1172-7-35"};
        // No JSON answer of the service was found: this one follows its documented
        // shape, with a record of an id it does not know.
        QTest::newRow("JSON, documented shape") << QByteArray(R"({"status": "ok", "records": [
                {"requested-id": "10.1093/nar/gks1195", "pmcid": "PMC3531190", "pmid": 23193287, "doi": "10.1093/nar/gks1195"},
                {"requested-id": "10.1000/none", "status": "error", "errmsg": "Identifier not found in PMC"},
                {"requested-id": "PMC9", "pmcid": "PMC9", "pmid": "1&db=x", "doi": "javascript:x"}]})")
                                                << QStringList{"10.1093/nar/gks1195 23193287 PMC3531190 10.1093/nar/gks1195",
                                                               "PMC9 - PMC9 -"};
        QTest::newRow("XML, ids of another shape") << QByteArray(R"(<pmcids status="ok"><record requested-id="10.1/x" pmid="1&amp;db=x" pmcid="PMC1"/></pmcids>)")
                                                   << QStringList{"10.1/x - PMC1 -"};
        QTest::newRow("neither") << QByteArray("Service unavailable") << QStringList();
    }
    void idConverter()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, records);
        const IdConverterAnswer answer = idConverterAnswerFrom(body);
        QCOMPARE(answer.error.isEmpty(), !records.isEmpty());
        QStringList read;
        for (const ConvertedIds &ids : answer.records) {
            QStringList parts{ids.requested, ids.pmid, ids.pmcid, ids.doi};
            std::replace(parts.begin(), parts.end(), QString(), QStringLiteral("-"));
            read.append(parts.join(u' '));
        }
        QCOMPARE(read, records);
    }

    // "key pmid" per line, "-" for none, "?" after an ambiguous one.
    void citationMatch_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("found") << readTestData(sample("ecitmatch/pubmedclient_citmatch_found.txt")).value_or("")
                               << QStringList{"Art1 2014248", "Art2 3026048"};
        QTest::newRow("one not found, its author gone") << readTestData(sample("ecitmatch/pubmedclient_citmatch_mixed.txt")).value_or("")
                                                        << QStringList{"Art1 2014248", "ref2 -", "Art4 31978945"};
        QTest::newRow("one") << readTestData(sample("ecitmatch/biopython_ecitmatch.txt")).value_or("") << QStringList{"citation_1 2014248"};
        QTest::newRow("ambiguous, as documented") << QByteArray("science|1987|235|||3|AMBIGUOUS (5 citations)\n")
                                                  << QStringList{"3 - ?"};
        QTest::newRow("an error page") << QByteArray("<ERROR>Empty bdata</ERROR>") << QStringList();
    }
    void citationMatch()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, results);
        const CitationMatchAnswer answer = citationMatchAnswerFrom(body);
        QCOMPARE(answer.error.isEmpty(), !results.isEmpty());
        QStringList read;
        for (const CitationMatchResult &result : answer.results)
            read.append(result.key + u' ' + (result.pmid.isEmpty() ? QStringLiteral("-") : result.pmid)
                        + (result.ambiguous ? QStringLiteral(" ?") : QString()));
        QCOMPARE(read, results);
    }
};

QTEST_MAIN(ServiceAnswersTest)
#include "ServiceAnswersTest.moc"
