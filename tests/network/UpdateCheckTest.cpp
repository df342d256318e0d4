// The update check without its alerts: what the version page says, and the
// outcome of probe, fetch and comparison.
#include "FakeEutilsServer.h"
#include "FakeReachability.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/UpdateCheck.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(UpdateCheckOutcome)
Q_DECLARE_METATYPE(FakeResponse)

namespace {
const QString kPath = QLatin1String(Paths::VersionPage);
}

class UpdateCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void publishedVersion_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<std::optional<QString>>("version");
        QTest::newRow("spaces and line breaks kept") << QByteArray("<title> 11\n</title>") << std::optional<QString>(QStringLiteral(" 11\n"));
        QTest::newRow("empty title") << QByteArray("<title></title>") << std::optional<QString>(QString());
        QTest::newRow("first of several titles") << QByteArray("<title>9</title><title>10</title>") << std::optional<QString>(QStringLiteral("9"));
        QTest::newRow("UTF-8 text") << QByteArray("<title>10 \xc2\xb5</title>") << std::optional<QString>(QString::fromUtf8("10 µ"));
        QTest::newRow("no title") << QByteArray("<html><body>10</body></html>") << std::optional<QString>();
        QTest::newRow("no end") << QByteArray("<title>10") << std::optional<QString>();
        QTest::newRow("no start") << QByteArray("10</title>") << std::optional<QString>();
        QTest::newRow("first end before first start") << QByteArray("</title><title>10</title>") << std::optional<QString>();
    }
    void publishedVersion()
    {
        QFETCH(QByteArray, page);
        QFETCH(std::optional<QString>, version);
        QCOMPARE(publishedVersionFromPage(page), version);
    }

    // Probe, then fetch (one request) and compare with this version, "10".
    void outcome_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<FakeResponse>("page");
        QTest::addColumn<UpdateCheckOutcome>("outcome");
        const auto page = [](const QByteArray &title) { return FakeResponse::html(200, FakeEutilsServer::versionPage(title)); };
        QTest::newRow("same version") << true << page("10") << UpdateCheckOutcome::Current;
        QTest::newRow("newer version") << true << page("11") << UpdateCheckOutcome::NewVersion;
        // Versions compare as numbers: "9" is older than "10", not a different text to offer.
        QTest::newRow("older version") << true << page("9") << UpdateCheckOutcome::Current;
        QTest::newRow("newer, dotted") << true << page("10.1") << UpdateCheckOutcome::NewVersion;
        QTest::newRow("same, line break around it") << true << page("\n10 ") << UpdateCheckOutcome::Current;
        QTest::newRow("no number") << true << page("11 beta") << UpdateCheckOutcome::FetchFailed;
        QTest::newRow("page without title") << true << FakeResponse::html(200, "<html></html>") << UpdateCheckOutcome::FetchFailed;
        QTest::newRow("error page with a title") << true << FakeResponse::serverError(503) << UpdateCheckOutcome::FetchFailed;
        QTest::newRow("offline: nothing fetched") << false << page("11") << UpdateCheckOutcome::Offline;
    }
    void outcome()
    {
        QFETCH(bool, online);
        QFETCH(FakeResponse, page);
        QFETCH(UpdateCheckOutcome, outcome);
        FakeEutilsServer server;
        server.setHandler(kPath, [page](const QUrl &) { return page; });
        FakeReachability reachability;
        reachability.setOnline(online);
        BlockingFetcher fetcher;
        QString reason;
        QCOMPARE(checkPublishedVersion(reachability, fetcher, server.endpoints(), &reason), outcome);
        QCOMPARE(reason.isEmpty(), outcome != UpdateCheckOutcome::FetchFailed);
        QCOMPARE(server.requestTargets(), online ? QStringList{kPath} : QStringList());
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "UpdateCheckTest.moc"
