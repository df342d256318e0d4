// Every network fault, met by the window at each of its requests: the search,
// the download of a batch and the update check. Each ends with the window idle
// and saying what failed, the records already downloaded kept, and the batch
// that failed still on offer.
#include "AppHarness.h"
#include "NetworkFaults.h"

#include "gui/mainwindow/AppMessages.h"
#include "search/SearchMessages.h"

#include <algorithm>

#include <QSslCertificate>
#include <QSslConfiguration>

namespace {

constexpr int kTimeoutMs = 1500;
const QString kESearchPath = QLatin1String(Paths::ESearch);
const QString kEFetchPath = QUrl(QLatin1String(Paths::EFetch)).path();
const QString kVersionPath = QLatin1String(Paths::VersionPage);


// Idle, saying what failed, the first batch kept and the second on offer.
void checkIdleAfterFailure(AppHarness &h, const QString &prefix, const NetworkFault &fault)
{
    AppController &c = *h.controller;
    QVERIFY(!c.transferRunning());
    QVERIFY2(h.message().startsWith(prefix), qPrintable(h.message()));
    checkFailureReason(fault, h.message().mid(prefix.size()));
    QVERIFY(h.searchButton()->isEnabled());
    QVERIFY(!h.cancelButton()->isEnabled());
    QVERIFY(h.busyIndicator()->isHidden());
    QVERIFY(h.progressBar()->isHidden());
    QCOMPARE(c.numberOfRowsInTableView(), 20);
    QVERIFY(!h.moreButton()->isHidden());
    QVERIFY(h.moreButton()->isEnabled());
    QCOMPARE(h.moreButton()->text(), AppMessages::moreArticles(20));
    QCOMPARE(c.retStart(), 20);
}

// Once the service answers again, "more" fetches the very batch that failed.
void checkTheFailedBatchArrives(AppHarness &h)
{
    h.clickMore();
    QVERIFY(h.waitForTransfer());
    const ArticleList &list = h.controller->getArticleList();
    QCOMPARE(list.size(), 40);
    QCOMPARE(list[20].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(20));
    QCOMPARE(list[39].text(ArticleRecord::Key::PMID), FakeEutilsServer::fakePmid(39));
}

} // namespace

class NetworkFaultWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void searchFails_data() { addNetworkFaultRows(); }
    void searchFails()
    {
        const NetworkFault fault = currentNetworkFault();
        AppHarness h(false, kTimeoutMs);
        if (!h.startWithResults(45)) // a window holding 20 of 45 matches
            return;
        arrangeFault(h.server, kESearchPath, fault);
        h.clickMore();
        QVERIFY(h.waitForTransfer(kTimeoutMs + 10000));
        checkIdleAfterFailure(h, SearchMessages::searchFailed(QString()), fault);
        // The search logs nothing; the links area, asking for the selected
        // article's counts meanwhile, may meet the same fault and log that.
        QVERIFY2(std::all_of(h.log.cbegin(), h.log.cend(),
                             [](const QString &line) { return line.startsWith(QLatin1String("Link counts of PMID")); }),
                 qPrintable(h.log.join(QLatin1Char('\n'))));

        if (fault.refused)
            return;
        h.server.serveEsearch(45);
        checkTheFailedBatchArrives(h);
    }

    void downloadFails_data() { addNetworkFaultRows(); }
    void downloadFails()
    {
        const NetworkFault fault = currentNetworkFault();
        AppHarness h(false, kTimeoutMs);
        if (!h.startWithResults(45)) // a window holding 20 of 45 matches
            return;
        if (fault.refused) {
            // The search must get through, so the service goes away when the
            // download asks; the connection kept from the first batch is reset
            // and a new one is refused.
            h.server.setHandler(kEFetchPath, [&h](const QUrl &) {
                h.server.refuseConnections();
                return FakeResponse::withDelivery(FakeResponse::Delivery::Silent);
            });
        } else {
            arrangeFault(h.server, kEFetchPath, fault);
        }
        h.clickMore();
        QVERIFY(h.waitForTransfer(kTimeoutMs + 10000));
        checkIdleAfterFailure(h, SearchMessages::downloadFailed(QString()), fault);
        // One line of the download's; the links area may log its own meeting the fault.
        QStringList download = h.log;
        download.removeIf([](const QString &line) { return line.startsWith(QLatin1String("Link counts of PMID")); });
        QCOMPARE(download.size(), 1);
        QVERIFY2(download[0].startsWith(QLatin1String("Connection failed! Error - ")), qPrintable(download[0]));

        if (fault.refused)
            return;
        h.server.serveEfetch();
        checkTheFailedBatchArrives(h);
    }

    // A failed batch, whatever failed in it, is offered again for what it can
    // still bring, and then arrives whole.
    void failedBatchIsOfferedAgain_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("batchesBefore");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("moreTitle");
        const QByteArray notUtf8 = "<?xml version=\"1.0\"?><PubmedArticleSet><PubmedArticle>Universit\xE0</PubmedArticle>"
                                   "</PubmedArticleSet>";
        QTest::newRow("5 matches, HTTP 500") << 5 << 0 << 500 << QByteArray() << "get 5 more articles";
        QTest::newRow("5 matches, not UTF-8") << 5 << 0 << 200 << notUtf8 << "get 5 more articles";
        QTest::newRow("45 matches, second batch not UTF-8") << 45 << 1 << 200 << notUtf8 << "get 20 more articles";
    }
    void failedBatchIsOfferedAgain()
    {
        QFETCH(int, matches);
        QFETCH(int, batchesBefore);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, moreTitle);
        AppHarness h;
        START_WITH_RESULTS(c, h, matches);
        // The batch after `batchesBefore` good ones fails.
        for (int batch = 1; batch < batchesBefore; ++batch) {
            h.clickMore();
            QVERIFY(h.waitForTransfer());
        }
        h.server.enqueue(kEFetchPath, status == 200 ? FakeResponse::xml(body) : FakeResponse::serverError(status));
        if (batchesBefore > 0) {
            h.clickMore();
        } else {
            c.cancelSearch();
            h.search(QStringLiteral("q"));
        }
        QVERIFY(h.waitForTransfer());
        const int kept = batchesBefore * 20;
        QCOMPARE(c.numberOfRowsInTableView(), kept);
        QVERIFY2(h.message().startsWith(SearchMessages::downloadFailed(QString())), qPrintable(h.message()));
        QVERIFY(!h.moreButton()->isHidden());
        QVERIFY(h.moreButton()->isEnabled());
        QCOMPARE(h.moreButton()->text(), moreTitle);

        h.clickMore();
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), kept + moreTitle.section(QLatin1Char(' '), 1, 1).toInt());
        QCOMPARE(c.getArticleList().last().text(ArticleRecord::Key::PMID),
                 FakeEutilsServer::fakePmid(c.numberOfRowsInTableView() - 1));
    }

    void updateCheckFails_data() { addNetworkFaultRows(); }
    void updateCheckFails()
    {
        const NetworkFault fault = currentNetworkFault();
        AppHarness h(true, kTimeoutMs);
        arrangeFault(h.server, kVersionPath, fault);
        // Silent at launch...
        AppController &c = h.start();
        QVERIFY(QTest::qWaitFor([&c] { return !c.launchUpdateCheckRunning(); }, kTimeoutMs + 10000));
        QVERIFY(h.alerts.shown.isEmpty());
        // ...and said when the user asks.
        c.checkForUpdates();
        QCOMPARE(h.alerts.shown.size(), 1);
        const Alert &alert = h.alerts.shown[0];
        QCOMPARE(alert.message, AppMessages::VersionCheckTitle);
        QCOMPARE(alert.buttons, QStringList{SearchMessages::OK});
        const QString prefix = AppMessages::versionNotChecked(QString());
        QVERIFY2(alert.informativeText.startsWith(prefix), qPrintable(alert.informativeText));
        checkFailureReason(fault, alert.informativeText.mid(prefix.size()));
        QVERIFY(h.opener.opened.isEmpty());
        QVERIFY(h.searchButton()->isEnabled());
    }

    // A service whose certificate nobody vouches for is never used: the search
    // fails with the reason, and so does the update check.
    void untrustedCertificateIsRefused()
    {
        FakeEutilsServer tls(FakeEutilsServer::Transport::Tls);
        tls.serveEsearch(45);
        tls.serveEfetch();
        tls.serveVersionPage("11");
        AppHarness h(true, kTimeoutMs);
        h.services.endpoints = tls.endpoints();
        AppController &c = h.start();
        QVERIFY(QTest::qWaitFor([&c] { return !c.launchUpdateCheckRunning(); }, kTimeoutMs + 10000));
        QVERIFY(h.alerts.shown.isEmpty());
        h.search(QStringLiteral("q"));
        QVERIFY2(h.message().startsWith(SearchMessages::searchFailed(QString())), qPrintable(h.message()));
        QVERIFY2(h.message().contains(QLatin1String("certificate"), Qt::CaseInsensitive), qPrintable(h.message()));
        QVERIFY(h.searchButton()->isEnabled());
        QVERIFY(!h.cancelButton()->isEnabled());
        QCOMPARE(c.numberOfRowsInTableView(), 0);

        c.checkForUpdates();
        QCOMPARE(h.alerts.shown.size(), 1);
        QVERIFY2(h.alerts.shown[0].informativeText.contains(QLatin1String("certificate"), Qt::CaseInsensitive),
                 qPrintable(h.alerts.shown[0].informativeText));
        QVERIFY(h.opener.opened.isEmpty());
        QCOMPARE(tls.requestTargets().size(), 0);
    }
};

QTEST_MAIN(NetworkFaultWindowTest)
#include "NetworkFaultWindowTest.moc"
