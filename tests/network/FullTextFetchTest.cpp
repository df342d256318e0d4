// Where a full text is looked for, in order, and what is refused on the way,
// against the fake server standing for every service.
#include "FakeEutilsServer.h"
#include "TestData.h"
#include "fulltext/FullTextFetch.h"

#include <QSignalSpy>
#include <QUrlQuery>
#include <QTest>

namespace {

constexpr int kWaitMs = 10000;
const QString kPdfPath = QStringLiteral("/pub/pmc/a.pdf");

QByteArray sample(const char *name)
{
    return readTestData(QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/services/") + QLatin1String(name)).value_or("");
}

} // namespace

class FullTextFetchTest : public QObject
{
    Q_OBJECT

private slots:
    // One article, PMID 11 with DOI 10.1/x. `known`: PMC's ID converter
    // knows its PMCID. Empty bodies are answered 404.
    void order_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<QByteArray>("oa");
        QTest::addColumn<QByteArray>("bioc");
        QTest::addColumn<QByteArray>("unpaywall");
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("outcome");
        const QByteArray open = sample("pmc_oa/pubmedclient_oa_PMC7906746_tgz.xml");
        const QByteArray notOpen = sample("pmc_oa/pubmedclient_oa_PMC8550608_notOA.xml");
        const QByteArray text = sample("bioc/nasaspaceapps_BioC_json_PMC10926278_reserialized.json");
        const QByteArray withPdf = R"(<OA><records><record id="PMC1" license="CC BY"><link format="pdf" href="ftp://ftp.ncbi.nlm.nih.gov/pub/pmc/a.pdf"/></record></records></OA>)";
        const QByteArray green = R"({"is_oa": true, "oa_status": "green", "best_oa_location": {"url_for_pdf": "ORIGIN/pub/pmc/a.pdf", "license": "cc-by", "version": "acceptedVersion"}})";
        const QByteArray closed = sample("unpaywall/paperqa_10.1023_a_1007154515475_closed.json");
        QTest::newRow("PMC's text first") << true << open << text << green << "pdf" << "text PMC CC BY";
        QTest::newRow("not in the OA subset: Unpaywall's PDF") << true << notOpen << text << green << "pdf" << "pdf Unpaywall cc-by acceptedVersion";
        QTest::newRow("no text from BioC: PMC's own PDF") << true << withPdf << QByteArray() << green << "pdf" << "pdf PMC CC BY publishedVersion";
        QTest::newRow("not in PMC, closed") << false << open << text << closed << "pdf" << "not open access";
        QTest::newRow("a DOI Unpaywall does not know") << false << open << text << QByteArray() << "pdf" << "not open access (Unpaywall does not know the DOI)";
        QTest::newRow("a sign-in page instead of the PDF") << false << open << text << green << "html" << "failed: not available without signing in";
        QTest::newRow("neither a PDF nor a page") << false << open << text << green << "zip" << "failed: the address gave no PDF";
        QTest::newRow("redirected to http") << false << open << text << green << "redirect" << "failed: redirected";
        QTest::newRow("larger than the limit") << false << open << text << green << "large" << "failed: limit";
    }
    void order()
    {
        QFETCH(bool, known);
        QFETCH(QByteArray, oa);
        QFETCH(QByteArray, bioc);
        QFETCH(QByteArray, unpaywall);
        QFETCH(QString, pdf);
        QFETCH(QString, outcome);
        FakeEutilsServer server;
        const QByteArray origin = server.origin().toString().toUtf8();
        const auto answer = [](const QByteArray &body) { return body.isEmpty() ? FakeResponse::serverError(404) : FakeResponse::xml(body); };
        server.setHandler(QLatin1String(Paths::IdConverter), [known](const QUrl &) {
            return FakeResponse::xml(known ? R"({"records": [{"requested-id": "11", "pmid": "11", "pmcid": "PMC1", "doi": "10.1/x"}]})"
                                           : R"({"records": [{"requested-id": "11", "status": "error", "errmsg": "Identifier not found in PMC"}]})");
        });
        server.setHandler(QLatin1String(Paths::PmcOaService), [&](const QUrl &) { return answer(oa); });
        server.setHandler(QLatin1String(Paths::BiocJsonPrefix) + QStringLiteral("PMC1/unicode"), [&](const QUrl &) { return answer(bioc); });
        server.setHandler(QLatin1String(Paths::UnpaywallPrefix) + QStringLiteral("10.1/x"),
                          [&](const QUrl &) { return answer(QByteArray(unpaywall).replace("ORIGIN", origin)); });
        server.setHandler(kPdfPath, [&](const QUrl &) {
            if (pdf == QLatin1String("html"))
                return FakeResponse::html(200, "<!DOCTYPE html>\n<html><body>Sign in to read</body></html>");
            if (pdf == QLatin1String("redirect"))
                return FakeResponse::redirect(QString::fromUtf8(origin) + QStringLiteral("/pub/pmc/b.pdf"));
            FakeResponse file = FakeResponse::xml(pdf == QLatin1String("zip") ? QByteArray("PK\x03\x04") : QByteArray("%PDF-1.7\n") + QByteArray(pdf == QLatin1String("large") ? 4000 : 10, 'x'));
            file.contentType = "application/pdf";
            return file;
        });
        FullTextFetch fetch(server.endpoints());
        fetch.setEmail(QStringLiteral("me@example.org"));
        fetch.setMaxPdfBytes(2000);
        QSignalSpy done(&fetch, &FullTextFetch::articleDone);
        QSignalSpy finished(&fetch, &FullTextFetch::finished);
        QVERIFY(fetch.start({{QStringLiteral("11"), QStringLiteral("10.1/x")}}));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(done.size(), 1);
        const FullTextOutcome got = done.at(0).at(0).value<FullTextOutcome>();
        QString read;
        if (got.kind)
            read = QStringList{got.kind == FullTextKind::Text ? QStringLiteral("text") : QStringLiteral("pdf"), got.row.source, got.row.licence,
                               got.kind == FullTextKind::Pdf ? got.row.version : QString()}.join(u' ').trimmed();
        else
            read = got.notOpenAccess ? got.reason : QStringLiteral("failed: ") + got.reason;
        QVERIFY2(read.startsWith(outcome) || (outcome.startsWith(QLatin1String("failed: ")) && read.contains(outcome.mid(8))), qPrintable(read));
        if (got.kind == FullTextKind::Text)
            QVERIFY(!got.text.title.isEmpty());
        if (got.kind == FullTextKind::Pdf)
            QVERIFY(got.pdf.startsWith("%PDF-"));
        QCOMPARE(got.publisher, QUrl(QStringLiteral("https://doi.org/10.1/x")));
        // Unpaywall is asked with the contact address, and nothing with a key.
        for (const QUrl &url : server.requestUrls()) {
            QVERIFY(!url.query().contains(QLatin1String("api_key")));
            if (url.path().startsWith(QLatin1String(Paths::UnpaywallPrefix)))
                QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded), QStringLiteral("me@example.org"));
        }
        QCOMPARE(server.requestCount(QStringLiteral("/pub/pmc/b.pdf")), 0);
    }
};

QTEST_MAIN(FullTextFetchTest)
#include "FullTextFetchTest.moc"
