// Updating stored records and adding articles by identifier, against the
// fake E-utilities server.
#include "TemporaryLibrary.h"
#include "FakeEutilsServer.h"
#include "HeldThreadPool.h"
#include "LibraryTestArticles.h"
#include "TestData.h"

#include "entrez/RequestLimiter.h"
#include "library/CollectionAdd.h"
#include "library/IdentifierResolver.h"
#include "library/LibraryStore.h"
#include "library/RecordRefresh.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

constexpr int kWaitMs = 20000;
const QString kEfetch = QUrl(QLatin1String(Paths::EFetch)).path();
const QString kEsearch = QUrl(QLatin1String(Paths::ESearch)).path();

QString dataFile(const QString &name)
{
    return QStringLiteral(VEXMOOR_TESTDATA_DIR "/") + name;
}

// An EFetch handler answering from the articles of `answer` that were asked for.
FakeEutilsServer::Handler efetchFrom(const QByteArray &answer)
{
    static const QRegularExpression article(QStringLiteral("<PubmedArticle>.*?</PubmedArticle>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression pmid(QStringLiteral("<PMID[^>]*>(\\d+)</PMID>"));
    QHash<QString, QString> byPmid;
    const QString text = QString::fromUtf8(answer);
    for (const QRegularExpressionMatch &m : article.globalMatch(text))
        byPmid.insert(pmid.match(m.captured(0)).captured(1), m.captured(0));
    return [byPmid](const QUrl &url) {
        QString body = QStringLiteral("<?xml version=\"1.0\" ?>\n<PubmedArticleSet>");
        for (const QString &id : FakeEutilsServer::requestedIds(url))
            body += byPmid.value(id);
        return FakeResponse::xml((body + QStringLiteral("</PubmedArticleSet>")).toUtf8());
    };
}

QString listed(const QList<qint64> &pmids)
{
    QStringList text;
    for (const qint64 pmid : pmids)
        text << QString::number(pmid);
    return text.join(QLatin1Char(' '));
}

} // namespace

class LibraryFetchTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.open());
        QVERIFY(m_server.isListening());
    }
    void cleanup() { m_store.remove(); }

    // A later version of a real answer: one record's XML changed, one became
    // retracted, one stayed the same and one is gone. The one that stayed
    // the same, stored with a size that lies or one past what a record may
    // hold, is not read back: the fresh one replaces it.
    void refreshReportsWhatChanged_data()
    {
        QTest::addColumn<int>("batch");
        QTest::addColumn<QByteArray>("size"); // planted before 29632442's stored XML; empty: as written
        QTest::addColumn<QString>("changed");
        QTest::newRow("one request") << 10 << QByteArray() << "30107788 29632448";
        QTest::newRow("a request per article") << 1 << QByteArray() << "30107788 29632448";
        QTest::newRow("a size that lies") << 10 << QByteArray("\0\0\0\x10", 4) << "30107788 29632448 29632442";
        QTest::newRow("a size past a record's") << 1 << QByteArray("\x01\0\0\x01", 4) << "30107788 29632448 29632442";
    }
    void refreshReportsWhatChanged()
    {
        QFETCH(int, batch);
        QFETCH(QByteArray, size);
        QFETCH(QString, changed);
        READ_TEST_DATA(before, dataFile(QStringLiteral("efetch/pubmed_result_4_articles.xml")));
        READ_TEST_DATA(later, dataFile(QStringLiteral("../records/pubmed_result_4_articles-later.xml")));
        const qint64 id = m_store->createCollection(QStringLiteral("reviews")).value();
        QVERIFY(m_store->addArticles(id, articlesToStore(before)));
        QVERIFY(m_store->setNote(29632448, QStringLiteral("quokka census first")));
        if (!size.isEmpty())
            plantXmlSize(29632442, size);
        m_server.setHandler(kEfetch, efetchFrom(later));

        RecordRefresh refresh(*m_store, m_server.endpoints());
        refresh.download().setLimiter(m_limiter);
        refresh.download().setBatchSize(batch);
        QSignalSpy finished(&refresh, &RecordRefresh::finished);
        QVERIFY(refresh.start(id));
        QVERIFY(finished.wait(kWaitMs));
        const auto report = finished.at(0).at(0).value<RefreshReport>();
        QCOMPARE(listed(report.gone), QStringLiteral("28670216"));
        QCOMPARE(listed(report.changed) + u'/' + listed(report.retracted), changed + QStringLiteral("/29632448"));
        QCOMPARE(m_store->articlesToStore({29632442}).value().value(0).xml, articlesToStore(before).value(2).xml);

        const QList<StoredArticle> stored = m_store->articles(id).value();
        QCOMPARE(stored.size(), 4);
        const auto retracted = std::find_if(stored.cbegin(), stored.cend(),
                                            [](const StoredArticle &a) { return a.record.isRetracted(); });
        QVERIFY(retracted != stored.cend());
        QCOMPARE(retracted->record.text(ArticleRecord::Key::PMID), QStringLiteral("29632448"));
        QCOMPARE(retracted->note, QStringLiteral("quokka census first"));
        QCOMPARE(m_store->searchArticles(QStringLiteral("quokka")).value(), PmidList{29632448});
        QVERIFY(m_store->articlesToStore({30107788}).value().value(0).xml.contains("<Year>2026</Year><Month>11</Month>"));

        // Nothing has changed since but the retracted one's stored XML: it
        // was retracted before, and is not said to be now.
        ArticleToStore again = m_store->articlesToStore({29632448}).value().value(0);
        again.xml.append(' ');
        QVERIFY(m_store->replaceArticles({again}));
        QVERIFY(refresh.start(id));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.at(1).at(0).value<RefreshReport>().summary(),
                 QStringLiteral("1 article changed; 1 is no longer in PubMed"));
    }

    // Each batch is compared on the process's pool: held, the batch that
    // arrived waits, stored as it was, and nothing is reported.
    void refreshComparesOffTheCallersThread()
    {
        READ_TEST_DATA(before, dataFile(QStringLiteral("efetch/pubmed_result_4_articles.xml")));
        READ_TEST_DATA(later, dataFile(QStringLiteral("../records/pubmed_result_4_articles-later.xml")));
        const qint64 id = m_store->createCollection(QStringLiteral("reviews")).value();
        QVERIFY(m_store->addArticles(id, articlesToStore(before)));
        m_server.setHandler(kEfetch, efetchFrom(later));
        RecordRefresh refresh(*m_store, m_server.endpoints());
        refresh.download().setLimiter(m_limiter);
        QSignalSpy arrived(&refresh.download(), &LibraryDownload::batchArrived);
        QSignalSpy finished(&refresh, &RecordRefresh::finished);
        {
            HeldThreadPool held;
            QVERIFY(refresh.start(id));
            QVERIFY(arrived.wait(kWaitMs));
            QTest::qWait(200);
            QCOMPARE(finished.size(), 0);
            QCOMPARE(m_store->articlesToStore({30107788}).value().value(0).xml, articlesToStore(before).value(0).xml);
        }
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(listed(finished.at(0).at(0).value<RefreshReport>().changed), QStringLiteral("30107788 29632448"));
    }

    // Cancelled once the first of its batches is stored (or as it arrives,
    // as a failing store cancels): what was stored stays, the job stops
    // there, heard of no more, and nothing of it is left running.
    void aCancelKeepsTheBatchesStored_data()
    {
        QTest::addColumn<bool>("refresh");   // updating the records, else adding them by PMID
        QTest::addColumn<bool>("onArrival"); // cancelled as the first batch arrives, else once it is stored
        QTest::addColumn<QString>("kept");   // changed, or added
        QTest::newRow("updating records") << true << false << "30107788";
        QTest::newRow("adding by PMID") << false << false << "30107788";
        QTest::newRow("updating, as a batch arrives") << true << true << "";
        QTest::newRow("adding, as a batch arrives") << false << true << "30107788";
    }
    void aCancelKeepsTheBatchesStored()
    {
        QFETCH(bool, refresh);
        QFETCH(bool, onArrival);
        QFETCH(QString, kept);
        READ_TEST_DATA(before, dataFile(QStringLiteral("efetch/pubmed_result_4_articles.xml")));
        READ_TEST_DATA(later, dataFile(QStringLiteral("../records/pubmed_result_4_articles-later.xml")));
        const qint64 id = m_store->createCollection(QStringLiteral("kept")).value();
        const QList<ArticleToStore> articles = articlesToStore(before);
        QList<qint64> pmids;
        for (const ArticleToStore &article : articles)
            pmids << article.record.text(ArticleRecord::Key::PMID).toLongLong();
        if (refresh)
            QVERIFY(m_store->addArticles(id, articles));
        m_server.setHandler(kEfetch, efetchFrom(later));

        RecordRefresh update(*m_store, m_server.endpoints());
        CollectionAdd add(*m_store, m_server.endpoints());
        LibraryDownload &download = refresh ? update.download() : add.download();
        download.setLimiter(m_limiter);
        download.setBatchSize(1);
        int heard = 0; // ends and failures of either job
        const auto hear = [&heard] { ++heard; };
        connect(&update, &RecordRefresh::finished, this, hear);
        connect(&update, &RecordRefresh::failed, this, hear);
        connect(&add, &CollectionAdd::finished, this, hear);
        connect(&add, &CollectionAdd::failed, this, hear);
        QSignalSpy progress(&download, &LibraryDownload::progress);
        bool cancelled = false;
        const auto cancel = [&] {
            refresh ? update.cancel() : add.cancel();
            cancelled = true;
        };
        if (onArrival)
            connect(&download, &LibraryDownload::batchArrived, this, cancel);
        else if (refresh)
            connect(&update, &RecordRefresh::progress, this, cancel);
        else
            connect(&add, &CollectionAdd::progress, this, cancel);
        QVERIFY(refresh ? update.start(id) : add.start(id, pmids));
        QVERIFY(QTest::qWaitFor([&] { return cancelled; }, kWaitMs));
        QVERIFY(!download.isRunning() && !update.isRunning());
        QCOMPARE(heard, 0);
        // Nothing said after the cancel (an update's download runs ahead of what it stored).
        if (onArrival || !refresh)
            QCOMPARE(progress.size(), onArrival ? 0 : 1);
        // Nothing left running: the download starts again at once.
        QSignalSpy failed(&download, &LibraryDownload::failed);
        QVERIFY(download.start({pmids.last()}));
        QCOMPARE(failed.size(), 0);
        download.cancel();
        QList<qint64> stored;
        const QList<StoredArticle> inCollection = m_store->articles(id).value();
        for (const StoredArticle &article : inCollection)
            stored << article.record.text(ArticleRecord::Key::PMID).toLongLong();
        QCOMPARE(listed(refresh ? update.report().changed : stored), kept);
        if (refresh)
            QCOMPARE(m_store->articlesToStore({30107788}).value().value(0).xml.contains("<Year>2026</Year><Month>11</Month>"),
                     !kept.isEmpty());
    }

    void readsIdentifiers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found"); // kind:text, kinds p(mid), d(oi), c (pmcid), ? (unknown)
        QTest::newRow("separators, labels") << "1, 22;333|4444\n55555\tPMID: 30107788 pmid:6 PMCID: pmc61 DOI: 10.1000/x"
                                            << "p:1 p:22 p:333 p:4444 p:55555 p:30107788 p:6 c:PMC61 d:10.1000/x";
        QTest::newRow("DOIs as written") << "https://doi.org/10.1016/j.jmla.2018.x, doi:10.1002/(SICI)1097-4636;2-X."
                                         << "d:10.1016/j.jmla.2018.x d:10.1002/(SICI)1097-4636;2-X";
        QTest::newRow("query syntax in a DOI") << "10.1234/x\"[doi]OR\"cancer\"[ti]OR\"y 10.1000/a\u202eb"
                                               << "?:10.1234/x\"[doi]OR\"cancer\"[ti]OR\"y ?:10.1000/a\u202eb";
        QTest::newRow("no identifiers") << "12345678901 1000000000 0 000 abc123 123abc PMC 10.12/ ..."
                                        << "?:12345678901 ?:1000000000 ?:0 ?:000 ?:abc123 ?:123abc ?:PMC ?:10.12/ ?:...";
        QTest::newRow("nine digits, leading zeros") << "999999999 007" << "p:999999999 p:7";
    }
    void readsIdentifiers()
    {
        QFETCH(QString, text);
        QFETCH(QString, found);
        QStringList read;
        for (const ArticleIdentifier &id : IdentifierResolver::parse(text))
            read << QStringLiteral("%1:%2").arg(QStringLiteral("pdc?").at(int(id.kind))).arg(id.text);
        QCOMPARE(read.join(QLatin1Char(' ')), found);
    }

    // PMIDs, a DOI and a PMCID resolved through the ID converter in one
    // request per kind, ESearch asked only for what it does not know, then
    // fetched and added; what PubMed does not know is named, garbage too.
    void addsByIdentifier()
    {
        READ_TEST_DATA(answer, dataFile(QStringLiteral("efetch/pubmed_result_4_articles.xml")));
        const QString converter = QLatin1String(Paths::IdConverter);
        m_server.setHandler(converter, [](const QUrl &url) {
            const bool pmcids = QUrlQuery(url).queryItemValue(QStringLiteral("idtype")) == QLatin1String("pmcid");
            return FakeResponse::xml(pmcids ? R"({"records": [{"requested-id": "PMC5886502", "pmid": 29632442},
                                                {"requested-id": "PMC1", "status": "error"}]})"
                                            : R"({"records": []})");
        });
        m_server.setHandler(kEsearch, [](const QUrl &url) {
            const QString term = QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded);
            QString pmid;
            if (term == QLatin1String("\"10.1186/s12874-018-0545-3\"[doi]"))
                pmid = QStringLiteral("30107788");
            else if (term == QLatin1String("PMC5886502[pmcid]"))
                pmid = QStringLiteral("29632442");
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(pmid.isEmpty() ? 0 : 1, 0, 1, [&](int) { return pmid; }));
        });
        m_server.setHandler(kEfetch, efetchFrom(answer));
        const qsizetype before = m_server.requests().size();
        IdentifierResolver resolver(m_server.endpoints());
        resolver.setLimiter(m_limiter);
        QSignalSpy resolved(&resolver, &IdentifierResolver::finished);
        QVERIFY(resolver.start(QStringLiteral("29632448 doi:10.1186/s12874-018-0545-3, PMC5886502; 10.9999/nowhere PMC1 "
                                              "not-an-id 99999999 29632448")));
        QVERIFY(resolved.wait(kWaitMs));
        const auto resolution = resolved.at(0).at(0).value<IdentifierResolution>();
        QCOMPARE(listed(resolution.pmids), QStringLiteral("29632448 30107788 29632442 99999999"));
        QCOMPARE(resolution.notFound, (QStringList{"10.9999/nowhere", "PMC1", "not-an-id"}));
        const QStringList asked = m_server.requestTargets().mid(before);
        QCOMPARE(asked.filter(converter).size(), 2);
        QCOMPARE(asked.filter(kEsearch).size(), 3);
        QVERIFY(!asked.filter(kEsearch).join(u' ').contains(QStringLiteral("PMC5886502")));

        const qint64 id = m_store->createCollection(QStringLiteral("pasted")).value();
        CollectionAdd add(*m_store, m_server.endpoints());
        add.download().setLimiter(m_limiter);
        add.download().setBatchSize(2);
        QSignalSpy finished(&add, &CollectionAdd::finished);
        QVERIFY(add.start(id, resolution.pmids));
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.at(0).at(0).value<qsizetype>(), 3);
        QCOMPARE(listed(finished.at(0).at(1).value<QList<qint64>>()), QStringLiteral("99999999"));
        QList<qint64> stored;
        const QList<StoredArticle> articles = m_store->articles(id).value();
        for (const StoredArticle &article : articles)
            stored << article.record.text(ArticleRecord::Key::PMID).toLongLong();
        QCOMPARE(listed(stored), QStringLiteral("29632448 30107788 29632442"));
    }

private:
    // The stored XML of `pmid` as written, under another stated size.
    void plantXmlSize(qint64 pmid, const QByteArray &size)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plant"));
            db.setDatabaseName(m_store->path());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT xml FROM article_xml WHERE pmid = %1").arg(pmid)) && query.next());
            const QByteArray xml = size + query.value(0).toByteArray().mid(size.size());
            query.finish();
            query.prepare(QStringLiteral("UPDATE article_xml SET xml = ? WHERE pmid = ?"));
            query.addBindValue(xml);
            query.addBindValue(pmid);
            QVERIFY(query.exec() && query.numRowsAffected() == 1);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("plant"));
    }

    TemporaryLibrary m_store;
    FakeEutilsServer m_server;
    // The service's pace would only slow the test down.
    RequestLimiter m_limiter{{}, 1};
};

QTEST_GUILESS_MAIN(LibraryFetchTest)
#include "LibraryFetchTest.moc"
