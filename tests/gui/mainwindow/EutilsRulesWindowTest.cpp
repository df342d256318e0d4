// The window against a service that keeps NCBI's rules: who asks (the API key
// and contact address of the Preferences window on every request, the key
// never in the log), busy answers, the first 9,999 matches of a query, and
// batches of thousands of records.
#include "AppHarness.h"

#include "entrez/EutilsRequest.h"
#include "gui/preferences/PreferenceController.h"

#include <QTimer>
#include <QUrlQuery>

namespace {

const QString kESearch = QLatin1String(Paths::ESearch);
const QString kEFetch = QLatin1String(Paths::EFetch);
// The shape of a real key: 36 hexadecimal digits.
const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef0a1b");
const QString kOtherKey = QStringLiteral("fedcba9876543210fedcba9876543210f0e1");
const QString kEmail = QStringLiteral("jo.doe+lab@example.org");

QLineEdit *preferenceField(AppController &c, const char *name)
{
    c.showPreferencePanel();
    auto *field = c.preferences()->window()->findChild<QLineEdit *>(QLatin1String(name));
    if (!field)
        qFatal("no preference field %s", name);
    return field;
}

// Types into the Preferences window as a user would and closes it.
void typeIdentity(AppController &c, const QString &key, const QString &email)
{
    preferenceField(c, "apiKeyNSTextField")->setText(key);
    preferenceField(c, "contactEmailNSTextField")->setText(email);
    c.preferences()->window()->close();
}

QString window(const QUrl &url)
{
    const QUrlQuery query(url);
    return query.queryItemValue(QStringLiteral("retstart")) + QLatin1Char(',')
        + query.queryItemValue(QStringLiteral("retmax"));
}

FakeResponse briefRecordsFor(const QUrl &url)
{
    return FakeResponse::xml(FakeEutilsServer::briefEfetchAnswer(FakeEutilsServer::requestedIds(url)));
}

} // namespace

class EutilsRulesWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // Both fields show what is stored, and are stored trimmed on Return or
    // when the window closes, but only once the user changed them: a user who
    // never touches them has nothing stored, and the registered defaults stay
    // in force.
    void preferencesStoreTheIdentityOnlyWhenChanged()
    {
        AppHarness h;
        AppController &c = h.start();
        QLineEdit *key = preferenceField(c, "apiKeyNSTextField");
        QLineEdit *email = preferenceField(c, "contactEmailNSTextField");
        QVERIFY(key->text().isEmpty() && email->text().isEmpty());
        QTest::keyClick(key, Qt::Key_Return);
        QTest::keyClick(email, Qt::Key_Return);
        QVERIFY(c.preferences()->window()->close());
        QVERIFY(!h.settings.contains(PreferenceKeys::ApiKey));
        QVERIFY(!h.settings.contains(PreferenceKeys::ContactEmail));

        c.showPreferencePanel();
        key->setText(QStringLiteral("  ") + kKey + QStringLiteral(" "));
        QTest::keyClick(key, Qt::Key_Return);
        QCOMPARE(h.settings.value(PreferenceKeys::ApiKey).toString(), kKey);
        QVERIFY(!h.settings.contains(PreferenceKeys::ContactEmail));
        // Typing counts at once, before Return or closing the window.
        QTest::keyClicks(email, kEmail);
        QCOMPARE(h.settings.value(PreferenceKeys::ContactEmail).toString(), kEmail);
        QVERIFY(c.preferences()->window()->close());
        QCOMPARE(c.eutilsIdentity().apiKey, kKey);
        QCOMPARE(c.eutilsIdentity().email, kEmail);

        // The next run's window shows them; clearing one stores it empty.
        PreferenceController again(h.store);
        again.showWindow();
        auto *keyAgain = again.window()->findChild<QLineEdit *>(QStringLiteral("apiKeyNSTextField"));
        QCOMPARE(keyAgain->text(), kKey);
        QCOMPARE(again.window()->findChild<QLineEdit *>(QStringLiteral("contactEmailNSTextField"))->text(), kEmail);
        keyAgain->clear();
        QVERIFY(again.window()->close());
        QVERIFY(c.eutilsIdentity().apiKey.isEmpty());
        QCOMPARE(c.eutilsIdentity().email, kEmail);
    }

    // Every ESearch and EFetch of a search and its further batches says who
    // asks, as the Preferences window set it at the time of the request.
    void everyRequestCarriesTheIdentity_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("email");
        QTest::newRow("key and address") << kKey << kEmail;
        QTest::newRow("address only") << QString() << kEmail;
        QTest::newRow("neither") << QString() << QString();
    }
    void everyRequestCarriesTheIdentity()
    {
        QFETCH(QString, key);
        QFETCH(QString, email);
        AppHarness h;
        h.server.serveEsearch(45);
        h.server.serveEfetch();
        AppController &c = h.start();
        typeIdentity(c, key, email);
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        for (int more = 0; more < 2; ++more) {
            h.clickMore();
            QVERIFY(h.waitForTransfer());
        }
        QCOMPARE(c.numberOfRowsInTableView(), 45);
        // A key typed later is used from the next request on.
        typeIdentity(c, kOtherKey, email);
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());

        // The links area's count requests come when the selection rests; the builder's test shows their identity.
        QList<FakeRequest> requests = h.server.requests();
        requests.removeIf([](const FakeRequest &r) { return r.url.path() == QLatin1String(Paths::ELinkService); });
        // iCite, asked for the table's citation counts, and PMC's ID converter, asked
        // where the selected article's full text is, are no E-utilities: they never get the key (the converter asks for the address).
        const auto elsewhere = [](const FakeRequest &r) {
            return r.url.path() == QLatin1String(Paths::IcitePubs) || r.url.path() == QLatin1String(Paths::IdConverter);
        };
        for (const FakeRequest &request : std::as_const(requests)) {
            if (elsewhere(request))
                QVERIFY2(!request.target.contains(QStringLiteral("api_key"))
                             && (request.url.path() == QLatin1String(Paths::IdConverter) || !request.target.contains(QStringLiteral("email"))),
                         qPrintable(request.target));
        }
        requests.removeIf(elsewhere);
        QCOMPARE(h.server.requestCount(kESearch), 4);
        QCOMPARE(requests.size(), 8);
        for (qsizetype i = 0; i < requests.size(); ++i) {
            const FakeRequest &request = requests.at(i);
            const QString expectedKey = i < 6 ? key : kOtherKey;
            const QUrlQuery query(request.url);
            QCOMPARE(query.queryItemValue(QStringLiteral("tool")), QStringLiteral("vexmoor"));
            QCOMPARE(query.hasQueryItem(QStringLiteral("email")), !email.isEmpty());
            QCOMPARE(query.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded), email);
            QCOMPARE(query.hasQueryItem(QStringLiteral("api_key")), !expectedKey.isEmpty());
            QCOMPARE(query.queryItemValue(QStringLiteral("api_key")), expectedKey);
            // EFetch carries its ids and the identity in a POST body, none in the URL.
            if (request.url.path() == kEFetch) {
                QCOMPARE(request.method, QByteArray("POST"));
                QVERIFY2(!request.target.contains(QLatin1Char('?')), qPrintable(request.target));
            }
        }
    }

    // Answers that quote the request back (the service's refusal of a key, a
    // proxy's error page) end in the message line and the log without the key,
    // and storing the key from the Preferences window logs nothing of it.
    void theApiKeyStaysOutOfTheLog()
    {
        AppHarness h;
        AppController &c = h.start();
        QLineEdit *key = preferenceField(c, "apiKeyNSTextField");
        key->setText(kKey);
        QTest::keyClick(key, Qt::Key_Return);
        QVERIFY(c.preferences()->window()->close());
        const QByteArray quoted = "API key invalid: api_key=" + kKey.toLatin1();
        FakeResponse refusal = FakeResponse::html(400, "<html><body>" + quoted + "</body></html>\n");
        refusal.reasonPhrase = quoted;

        h.server.enqueue(kESearch, refusal);
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QVERIFY2(h.message().startsWith(QLatin1String("search failed: ")), qPrintable(h.message()));
        QVERIFY2(!h.message().contains(kKey), qPrintable(h.message()));

        h.server.serveEsearch(5);
        h.server.enqueue(kEFetch, refusal);
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QVERIFY2(h.message().startsWith(QLatin1String("download failed: ")), qPrintable(h.message()));
        QVERIFY2(!h.message().contains(kKey), qPrintable(h.message()));

        // Both refusals did reach the program (a failed ESearch, then an
        // ESearch and its failed EFetch), so the key was there to leak.
        QCOMPARE(h.server.requests().size(), 3);
        QCOMPARE(h.log.filter(QStringLiteral("Connection failed!")).size(), 1);
        for (const QString &line : std::as_const(h.log))
            QVERIFY2(!line.contains(kKey, Qt::CaseInsensitive), qPrintable(line));
    }

    // A busy answer to the search or to the download is waited for with the
    // window taking clicks and saying why; Cancel ends the wait at once and
    // nothing more is asked, and the next search runs as usual.
    void cancelEndsTheWaitForABusyService_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("search") << kESearch;
        QTest::newRow("download") << kEFetch;
    }
    void cancelEndsTheWaitForABusyService()
    {
        QFETCH(QString, path);
        AppHarness h;
        h.services.retryMsPerSecond = 1000;
        h.server.serveEsearch(5);
        h.server.serveEfetch();
        h.server.enqueue(path, FakeResponse::tooManyRequests(30));
        AppController &c = h.start();
        // The search waits inside the Return that starts it, so the user's
        // click comes from the event loop.
        bool clicked = false;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &user, [&] {
            if (!clicked && h.message() == QStringLiteral("PubMed is busy, retrying in 30 s\u2026")) {
                clicked = true;
                QTest::mouseClick(h.cancelButton(), Qt::LeftButton);
            }
        });
        user.start(20);
        h.search(QStringLiteral("q"));
        // Well before the 30 s the service asked for.
        QVERIFY(QTest::qWaitFor([&] { return clicked && !c.transferRunning(); }, 5000));
        QCOMPARE(h.message(), QStringLiteral("canceled search"));
        QVERIFY(h.searchButton()->isEnabled());
        const qsizetype asked = h.server.requests().size();
        QTest::qWait(300);
        QCOMPARE(h.server.requests().size(), asked);

        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 5);
        QCOMPARE(h.message(), QStringLiteral("found 5 articles, downloaded 5 titles"));
    }

    // PubMed serves the first 9,999 PMIDs of a query. The last window is cut
    // to end there; when the query has more matches the message line says so
    // and the more-articles button goes, instead of asking for a window the
    // service refuses.
    void pagingStopsAtTheFirst9999_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<int>("batchSize");
        QTest::addColumn<QStringList>("windows");
        QTest::addColumn<QString>("lastMessage");
        const QStringList threeWindows{QStringLiteral("0,4000"), QStringLiteral("4000,4000"), QStringLiteral("8000,1999")};
        QTest::newRow("more than the service serves")
            << 123456 << 4000 << threeWindows
            << "found 123456 articles, downloaded 9999 titles (PubMed serves only the first 9999 matches; narrow the "
               "search to see the others)";
        QTest::newRow("one more than the service serves")
            << 10000 << 4000 << threeWindows
            << "found 10000 articles, downloaded 9999 titles (PubMed serves only the first 9999 matches; narrow the "
               "search to see the others)";
        QTest::newRow("exactly what the service serves")
            << 9999 << 4000 << threeWindows << "found 9999 articles, downloaded 9999 titles";
        QTest::newRow("one batch larger than the service serves")
            << 20000 << 10000 << QStringList{QStringLiteral("0,9999")}
            << "found 20000 articles, downloaded 9999 titles (PubMed serves only the first 9999 matches; narrow the "
               "search to see the others)";
    }
    void pagingStopsAtTheFirst9999()
    {
        QFETCH(int, matches);
        QFETCH(int, batchSize);
        QFETCH(QStringList, windows);
        QFETCH(QString, lastMessage);
        AppHarness h;
        h.store.setObject(PreferenceKeys::ThisMany, batchSize);
        h.server.serveEsearch(matches);
        h.server.setHandler(kEFetch, briefRecordsFor);
        AppController &c = h.start();

        h.search(QStringLiteral("q"));
        for (qsizetype batch = 1; batch < windows.size(); ++batch) {
            QVERIFY(h.waitForTransfer(30000));
            QVERIFY2(!h.message().contains(QLatin1String("PubMed serves")), qPrintable(h.message()));
            QVERIFY(!h.moreButton()->isHidden());
            h.clickMore();
        }
        QVERIFY(h.waitForTransfer(30000));
        QCOMPARE(h.message(), lastMessage);
        QVERIFY(h.moreButton()->isHidden());
        QCOMPARE(c.numberOfRowsInTableView(), 9999);

        QStringList asked;
        for (const QUrl &url : h.esearchRequests())
            asked.append(window(url));
        QCOMPARE(asked, windows);
        const QStringList lastIds = FakeEutilsServer::requestedIds(h.server.lastRequestTo(kEFetch).url);
        QVERIFY(!lastIds.isEmpty());
        QCOMPARE(lastIds.last(), FakeEutilsServer::fakePmid(9998));
    }

    // A batch of the largest size goes out as one POST of thousands of ids,
    // and the progress bar moves while its answer arrives.
    void aBatchOfTenThousandArrivesWithMovingProgress()
    {
        AppHarness h;
        h.store.setObject(PreferenceKeys::ThisMany, kMaxBatchSize);
        h.server.serveEsearch(9999);
        h.server.setHandler(kEFetch, [](const QUrl &url) {
            // About a fifth of what the progress estimate expects, in ten pieces.
            FakeResponse r = FakeResponse::xml(FakeEutilsServer::briefEfetchAnswer(FakeEutilsServer::requestedIds(url), 2000));
            r.delivery = FakeResponse::Delivery::Chunks;
            r.chunkSizes = QList<qsizetype>(9, r.body.size() / 10);
            r.chunkIntervalMs = 100;
            return r;
        });
        AppController &c = h.start();
        QList<int> shownWhileRunning;
        QObject::connect(h.progressBar(), &QProgressBar::valueChanged, h.progressBar(), [&](int value) {
            if (c.transferRunning() && h.progressBar()->isVisible())
                shownWhileRunning.append(value);
        });

        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer(30000));
        QCOMPARE(c.numberOfRowsInTableView(), 9999);
        QCOMPARE(h.message(), QStringLiteral("found 9999 articles, downloaded 9999 titles"));

        const FakeRequest fetch = h.server.lastRequestTo(kEFetch);
        QCOMPARE(fetch.method, QByteArray("POST"));
        QCOMPARE(fetch.url.path(), kEFetch);
        QCOMPARE(FakeEutilsServer::requestedIds(fetch.url).size(), 9999);
        QVERIFY(fetch.body.size() > FakeEutilsServer::kMaxGetTargetLength);

        // At least two different readings before the end, rising.
        QVERIFY2(shownWhileRunning.size() >= 2, qPrintable(QString::number(shownWhileRunning.size())));
        QVERIFY(std::is_sorted(shownWhileRunning.begin(), shownWhileRunning.end()));
        QVERIFY(shownWhileRunning.first() < shownWhileRunning.last());
        QCOMPARE(int(c.progressValue()), 20);
    }
};

QTEST_MAIN(EutilsRulesWindowTest)
#include "EutilsRulesWindowTest.moc"
