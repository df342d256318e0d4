// The answers of iCite, PMC's ID converter, ECitMatch, the PMC OA service,
// BioC, Unpaywall and LinkOut read into what the window uses, from the real
// answers in tests/data/services and the cases they lack.
#include "entrez/CitationMatch.h"
#include "entrez/LinkOut.h"
#include "services/Bioc.h"
#include "services/PmcOa.h"
#include "services/Unpaywall.h"
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

    // "pmcid licence pdf" or the error.
    void pmcOa_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("record");
        QTest::newRow("open, a package only") << readTestData(sample("pmc_oa/pubmedclient_oa_PMC7906746_tgz.xml")).value_or("")
                                              << "PMC7906746 none -";
        QTest::newRow("not open access") << readTestData(sample("pmc_oa/pubmedclient_oa_PMC8550608_notOA.xml")).value_or("")
                                         << "error: identifier 'PMC8550608' is not Open Access";
        // No real record with a PDF link was found: this one follows the
        // service's documented example; the FTP link is fetched over https.
        QTest::newRow("a PDF, documented shape")
            << QByteArray("<OA><records returned-count=\"1\" total-count=\"1\"><record id=\"PMC5334499\" license=\"CC BY-NC\" retracted=\"no\">"
                          "<link format=\"tgz\" href=\"ftp://ftp.ncbi.nlm.nih.gov/pub/pmc/oa_package/b0/ac/PMC5334499.tar.gz\"/>"
                          "<link format=\"pdf\" href=\"ftp://ftp.ncbi.nlm.nih.gov/pub/pmc/oa_pdf/ad/17/ESRR-8-1.PMC5334499.pdf\"/></record></records></OA>")
            << "PMC5334499 CC BY-NC https://ftp.ncbi.nlm.nih.gov/pub/pmc/oa_pdf/ad/17/ESRR-8-1.PMC5334499.pdf";
        QTest::newRow("a PDF on another host is not taken")
            << QByteArray("<OA><records><record id=\"PMC1\" license=\"CC BY\"><link format=\"pdf\" href=\"https://elsewhere.example/a.pdf\"/></record></records></OA>")
            << "PMC1 CC BY -";
        QTest::newRow("not the OA service's") << QByteArray("<html>busy</html>") << "error: the answer is not the PMC OA service's";
    }
    void pmcOa()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, record);
        const PmcOaRecord read = pmcOaAnswerFrom(body);
        const QString pdf = read.pdf.isEmpty() ? QStringLiteral("-") : read.pdf.toString();
        const QString text = read.isOpenAccess() ? QStringList{read.pmcid, read.licence, pdf}.join(u' ') : QStringLiteral("error: ") + read.error;
        QCOMPARE(text, record);
    }

    // "status pdf licence version host", "closed", or the error.
    void unpaywall_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("best");
        QTest::newRow("green, a repository's PDF") << readTestData(sample("unpaywall/unpywall_nature12373.json")).value_or("")
                                                   << "green https://dash.harvard.edu/bitstream/1/12285462/1/Nanometer-Scale%20Thermometry.pdf - publishedVersion repository";
        QTest::newRow("gold, no PDF address") << readTestData(sample("unpaywall/paperqa_10.1016_j.xgen.2025.100814_gold.json")).value_or("")
                                              << "gold - cc-by publishedVersion publisher";
        QTest::newRow("closed") << readTestData(sample("unpaywall/paperqa_10.1023_a_1007154515475_closed.json")).value_or("") << "closed";
        QTest::newRow("closed, small record") << readTestData(sample("unpaywall/paperqa_10.1007_s40278-023-41815-2_closed.json")).value_or("")
                                              << "closed";
        // No body of Unpaywall's 404 was found: this one has its documented keys.
        QTest::newRow("404 body") << QByteArray("{\"HTTP_status_code\": 404, \"error\": true, \"message\": \"'10.1/x' isn't in Unpaywall.\"}")
                                  << "error: the answer is not Unpaywall's";
        QTest::newRow("a PDF address that is no web address")
            << QByteArray("{\"is_oa\": true, \"oa_status\": \"gold\", \"best_oa_location\": {\"url_for_pdf\": \"file:///etc/passwd\", \"license\": \"cc-by\"}}")
            << "gold - cc-by - -";
    }
    void unpaywall()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, best);
        const UnpaywallAnswer answer = unpaywallAnswerFrom(body);
        const auto dash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
        QString read = !answer.error.isEmpty() ? QStringLiteral("error: ") + answer.error : answer.oaStatus;
        if (answer.best)
            read += u' ' + QStringList{dash(answer.best->pdf.toString(QUrl::FullyEncoded)), dash(answer.best->licence), dash(answer.best->version), dash(answer.best->hostType)}.join(u' ');
        QCOMPARE(read, best);
    }

    void bioc_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("ids");
        QTest::addColumn<QString>("title"); // its start
        QTest::addColumn<QString>("firstAuthor");
        QTest::addColumn<QList<int>>("partSizes"); // passages per part, in TextSections::all()'s order
        QTest::addColumn<QStringList>("referencePmids");
        QTest::newRow("current shape") << readTestData(sample("bioc/nasaspaceapps_BioC_json_PMC10926278_reserialized.json")).value_or("")
                                       << "38465711 PMC10926278 10.14814/phy2.15978 CC BY"
                                       << QString::fromUtf8("Correction to “Adaptation to full weight‐bearing")
                                       << "" << QList<int>{0, 0, 4, 0, 0, 0, 0, 0, 0, 0} << QStringList();
        const QByteArray article = readTestData(sample("bioc/nasaspaceapps_BioC_json_PMC10793275_oldstyle_reserialized.json")).value_or("");
        // Headings and captions in their parts; the table's cells are left out.
        QTest::newRow("older shape, a whole article")
            << article << "38038463 PMC10793275 10.1128/MRA.00345-23 CC BY"
            << "Draft genome sequence of Sphingomonas paucimobilis strain Sph5, isolated from tap water filtration membrane" << "Koroli S"
            << QList<int>{0, 2, 11, 0, 0, 0, 0, 2, 0, 2}
            << QStringList{"30701078", "11054174", "20190090", "9872809", "25282092", "22506599", "25402007", "26059717", "29373581",
                           "24642063", "31727128", "23329690", "19377059", "31661016", "19451168", "33590861", "29096012"};
        QByteArray hostile = article;
        hostile.replace("\"pub-id_pmid\": \"30701078\"", "\"pub-id_pmid\": \"1&db=x\"").replace("\"text\": \"Isolation and", "\"text\": \"<b>Isolation and");
        QTest::newRow("markup stays text, a PMID of another shape is dropped")
            << hostile << "38038463 PMC10793275 10.1128/MRA.00345-23 CC BY"
            << "Draft genome sequence of Sphingomonas paucimobilis strain Sph5, isolated from tap water filtration membrane" << "Koroli S"
            << QList<int>{0, 2, 11, 0, 0, 0, 0, 2, 0, 2}
            << QStringList{"11054174", "20190090", "9872809", "25282092", "22506599", "25402007", "26059717", "29373581",
                           "24642063", "31727128", "23329690", "19377059", "31661016", "19451168", "33590861", "29096012"};
        QTest::newRow("not BioC") << QByteArray("[Error] : No result can be found.") << "" << "" << "" << QList<int>() << QStringList();
    }
    void bioc()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, ids);
        QFETCH(QString, title);
        QFETCH(QString, firstAuthor);
        QFETCH(QList<int>, partSizes);
        QFETCH(QStringList, referencePmids);
        const BiocAnswer answer = biocAnswerFrom(body);
        QCOMPARE(answer.error.isEmpty(), !ids.isEmpty());
        if (ids.isEmpty())
            return;
        const FullTextDocument &document = answer.document;
        QCOMPARE(QStringList({document.pmid, document.pmcid, document.doi, document.licence}).join(u' '), ids);
        QVERIFY2(document.title.startsWith(title), qPrintable(document.title));
        QCOMPARE(document.authors.value(0), firstAuthor);
        QList<int> sizes(TextSections::all().size());
        for (const TextPassage &passage : document.passages)
            ++sizes[int(passage.section)];
        QCOMPARE(sizes, partSizes);
        QCOMPARE(document.referencePmids(), referencePmids);
        for (const TextReference &reference : document.references)
            QVERIFY(!reference.text.contains(u'<') || reference.text.startsWith(QLatin1String("<b>Isolation")));
        // What the library keeps reads back the same.
        const std::optional<FullTextDocument> again = FullTextDocument::fromJson(document.toJson());
        QVERIFY(again);
        QCOMPARE(again->plainText(), document.plainText());
    }

    // "pmid: provider free|fee" per link, full-text sources first.
    void linkOut_data()
    {
        static const char kModbase[] = "MODBASE, Database of Comparative Protein Structure Models (Sali Lab/UCSF) fee";
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("a publisher, free, before the rest")
            << readTestData(sample("elink/biogo_llinks_pubmed_19880848_from_go_test.xml")).value_or("")
            << QStringList{"19880848: HighWire free text", "19880848: ExactAntigen/Labome fee", "19880848: MedlinePlus Health Information free"};
        QTest::newRow("two articles, 2026") << readTestData(sample("elink/biopython_elink6_llinks_2026.xml")).value_or("")
                                            << QStringList{"12085853: MedlinePlus Health Information free", "12085853: MedlinePlus Consumer Health Information free",
                                                           "12085856: MedlinePlus Health Information free"};
        QTest::newRow("an id without links") << readTestData(sample("elink/bioperl_elink_llinks_protein.xml")).value_or("")
                                             << QStringList{"1621261: " + QString(kModbase), "20807972: " + QString(kModbase), "68536103: -", "730439: " + QString(kModbase)};
        QTest::newRow("not ELink's") << QByteArray("<ERROR>bad</ERROR>") << QStringList();
    }
    void linkOut()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, links);
        const LinkOutAnswer answer = linkOutAnswerFrom(body);
        QCOMPARE(answer.error.isEmpty(), !links.isEmpty());
        QStringList read;
        QStringList pmids = answer.links.keys();
        std::sort(pmids.begin(), pmids.end());
        for (const QString &pmid : pmids) {
            for (const LinkOutLink &link : answer.links.value(pmid))
                read.append(pmid + QStringLiteral(": ") + link.provider + (link.free ? QStringLiteral(" free") : QStringLiteral(" fee"))
                            + (link.isFullText() ? QStringLiteral(" text") : QString()));
            if (answer.links.value(pmid).isEmpty())
                read.append(pmid + QStringLiteral(": -"));
        }
        QCOMPARE(read, links);
    }
};

QTEST_MAIN(ServiceAnswersTest)
#include "ServiceAnswersTest.moc"
