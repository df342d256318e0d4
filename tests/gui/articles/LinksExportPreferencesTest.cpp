#include "AppHarness.h"

#include "gui/articles/ArticleTableModel.h"
#include "gui/articles/KebNSTableView.h"
#include "gui/preferences/PreferenceController.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QRegularExpression>

class LinksExportPreferencesTest : public QObject
{
    Q_OBJECT

private:
    // A window holding `matches` downloaded records; false when they did not arrive.
    [[nodiscard]] bool load(AppHarness &h, int matches)
    {
        if (!h.startWithResults(matches))
            return false;
        h.controller->window()->resize(1000, 900);
        return true;
    }
    void doubleClickRow(AppHarness &h, int row)
    {
        const QRect rect = h.table()->visualRect(h.table()->model()->index(row, 1));
        QTest::mouseDClick(h.table()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList expectedTargets(AppController &c, const QList<int> &rows, const QString &doiOrigin)
    {
        QStringList urls;
        for (int row : rows)
            urls.append(doiOrigin + QLatin1Char('/') + c.getArticleList()[row].text(ArticleRecord::Key::Doi));
        return urls;
    }
    // Rows whose records have a DOI made only of URL-safe characters.
    QList<int> rowsWithPlainDoi(AppController &c)
    {
        QList<int> rows;
        for (int i = 0; i < c.numberOfRowsInTableView(); ++i) {
            const QString doi = c.getArticleList()[i].text(ArticleRecord::Key::Doi);
            if (!doi.isEmpty() && QUrl(QStringLiteral("https://x/") + doi, QUrl::StrictMode).isValid()
                && !doi.contains(QLatin1Char('%')))
                rows.append(i);
        }
        return rows;
    }

private slots:
    void doubleClickOpensEverySelectedLinkInRowOrder()
    {
        AppHarness h;
        if (!load(h, 20))
            return;
        AppController &c = *h.controller;
        // Records with plain DOIs at rows 2, 5 and 7.
        const QList<int> plain = rowsWithPlainDoi(c);
        QVERIFY(plain.size() >= 3);
        h.table()->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        h.selectRows({plain[0], plain[1], plain[2]});
        doubleClickRow(h, plain[1]);
        const QString origin = h.services.endpoints.doiOrigin();
        QCOMPARE(h.openedUrls(), expectedTargets(c, {plain[0], plain[1], plain[2]}, origin));
        // Every link after the first is logged, as its DOI URL.
        QStringList logged = h.log.filter(QRegularExpression(QStringLiteral("^https?://")));
        QCOMPARE(logged, (QStringList{expectedTargets(c, {plain[1]}, origin)[0] + QLatin1Char('\n'),
                                      expectedTargets(c, {plain[2]}, origin)[0] + QLatin1Char('\n')}));
        QCOMPARE(h.alerts.shown.size(), 0); // 3 is not above the threshold of 3
    }

    void warningAboveTheThreshold()
    {
        AppHarness h;
        if (!load(h, 20))
            return;
        AppController &c = *h.controller;
        h.selectRows({0, 1, 2, 3});
        h.alerts.answers = {1}; // Cancel
        doubleClickRow(h, 2);
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.alerts.shown[0].style, Alert::Style::Question);
        QCOMPARE(h.alerts.shown[0].message, QStringLiteral("Multiple Web Links"));
        QCOMPARE(h.alerts.shown[0].informativeText, QStringLiteral("Warning: you are about to open 4 links in your browser"));
        QCOMPARE(h.alerts.shown[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
        QVERIFY(h.opener.opened.isEmpty());
        QVERIFY(h.log.filter(QRegularExpression(QStringLiteral("^https?://"))).isEmpty());

        // Return in the table does what a double-click does, asking first too.
        h.alerts.answers = {0}; // OK
        h.selectRows({0, 1, 2, 3});
        QTest::keyClick(h.table(), Qt::Key_Return);
        QCOMPARE(h.alerts.shown.size(), 2);
        QCOMPARE(h.opener.opened.size(), 4);

        // A threshold of 0 asks even for one link.
        h.store.setObject(PreferenceKeys::UrlWarningNumber, 0);
        h.alerts.shown.clear();
        h.opener.opened.clear();
        h.table()->selectRow(5);
        doubleClickRow(h, 5);
        QCOMPARE(h.alerts.shown.size(), 1);
        QCOMPARE(h.opener.opened.size(), 1);
        Q_UNUSED(c);
    }

    void proxyTemplateAndEmptyDoi()
    {
        AppHarness h;
        if (!load(h, 20))
            return;
        AppController &c = *h.controller;
        const int row = rowsWithPlainDoi(c).first();
        const QString direct = h.services.endpoints.doiOrigin() + QLatin1Char('/')
            + c.getArticleList()[row].text(ArticleRecord::Key::Doi);

        h.store.setBool(PreferenceKeys::UseProxy, true);
        h.store.setObject(PreferenceKeys::ProxyURL, QStringLiteral("https://login.proxy.example/login?url=%@&x=%d%41"));
        h.table()->selectRow(row);
        doubleClickRow(h, row);
        // The template's other "%" sequences are taken as typed, never as a
        // format: the lone "%" goes out encoded, and "%41" is the letter it
        // encodes. The DOI URL goes in as one query value.
        QCOMPARE(h.openedUrls(), QStringList{QStringLiteral("https://login.proxy.example/login?url=")
                                         + QString::fromLatin1(QUrl::toPercentEncoding(direct)) + QStringLiteral("&x=%25dA")});

        // A template that is no http or https address is not used.
        h.store.setObject(PreferenceKeys::ProxyURL, QStringLiteral("file:///tmp/%@"));
        h.opener.opened.clear();
        doubleClickRow(h, row);
        QCOMPARE(h.openedUrls(), QStringList{direct});

        // Preferences are read afresh for every link.
        h.store.setBool(PreferenceKeys::UseProxy, false);
        h.opener.opened.clear();
        doubleClickRow(h, row);
        QCOMPARE(h.openedUrls(), QStringList{direct});

        int noDoi = -1;
        for (int i = 0; i < c.numberOfRowsInTableView() && noDoi < 0; ++i)
            if (c.getArticleList()[i].text(ArticleRecord::Key::Doi).isEmpty())
                noDoi = i;
        QVERIFY(noDoi >= 0);
        h.opener.opened.clear();
        h.table()->selectRow(noDoi);
        doubleClickRow(h, noDoi);
        // Not the resolver's bare root: the article's PubMed page, through the proxy like any link.
        const QString pubmed = h.services.endpoints.pubmedOrigin() + QLatin1Char('/')
            + c.getArticleList()[noDoi].text(ArticleRecord::Key::PMID) + QLatin1Char('/');
        QCOMPARE(h.openedUrls(), QStringList{pubmed});
        h.store.setBool(PreferenceKeys::UseProxy, true);
        h.store.setObject(PreferenceKeys::ProxyURL, QStringLiteral("https://login.proxy.example/login?url=%@"));
        h.opener.opened.clear();
        QTest::keyClick(h.table(), Qt::Key_Return);
        QCOMPARE(h.openedUrls(), QStringList{QStringLiteral("https://login.proxy.example/login?url=")
                                             + QString::fromLatin1(QUrl::toPercentEncoding(pubmed))});
    }

    // A real Wiley DOI holding "#" and angle brackets (cited by PMID 28786991
    // of the test data, here given to that record) reaches the resolver
    // whole, whether double-clicked or copied.
    void doiLinksCarryTheWholeDoi()
    {
        AppHarness h;
        h.server.serveEsearch(1);
        QByteArray answer = FakeEutilsServer::efetchAnswer({QStringLiteral("28786991")});
        QVERIFY(answer.contains(">10.1371/journal.pone.0180707<"));
        answer.replace(">10.1371/journal.pone.0180707<", ">10.1002/(SICI)1097-0274(199601)29:1&lt;23::AID-AJIM4&gt;3.0.CO;2-#<");
        h.server.enqueue(QStringLiteral("/entrez/eutils/efetch.fcgi"), FakeResponse::xml(answer));
        AppController &c = h.start();
        h.search(QStringLiteral("sici"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(c.numberOfRowsInTableView(), 1);
        const QString doi = c.getArticleList()[0].text(ArticleRecord::Key::Doi);
        QCOMPARE(doi, QStringLiteral("10.1002/(SICI)1097-0274(199601)29:1<23::AID-AJIM4>3.0.CO;2-#"));
        const QString encoded = h.services.endpoints.doiOrigin()
            + QStringLiteral("/10.1002/(SICI)1097-0274(199601)29:1%3C23::AID-AJIM4%3E3.0.CO;2-%23");

        doubleClickRow(h, 0);
        QCOMPARE(h.openedUrls(), QStringList{encoded});
        QVERIFY(!h.opener.opened[0].hasFragment());
        QCOMPARE(h.opener.opened[0].path(QUrl::FullyDecoded), QLatin1Char('/') + doi);

        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY2(copied->html().contains(QStringLiteral("href=\"") + encoded + QLatin1Char('"')), qPrintable(copied->html()));
        QVERIFY(copied->data(QStringLiteral("text/rtf")).contains("HYPERLINK \"" + encoded.toLatin1() + '"'));
    }

    void onlyTheLeftButtonOpensLinks_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("opened");
        QTest::newRow("left") << Qt::LeftButton << 1;
        QTest::newRow("right") << Qt::RightButton << 0;
        QTest::newRow("middle") << Qt::MiddleButton << 0;
    }
    void onlyTheLeftButtonOpensLinks()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, opened);
        AppHarness h;
        if (!load(h, 3))
            return;
        h.table()->selectRow(1);
        const QRect rect = h.table()->visualRect(h.table()->model()->index(1, 1));
        QTest::mouseDClick(h.table()->viewport(), button, {}, rect.center());
        QCOMPARE(h.opener.opened.size(), opened);
    }

    void doubleClickOutsideTheRowsDoesNothing()
    {
        AppHarness h;
        if (!load(h, 3))
            return;
        h.selectRows({0, 1});
        QTest::mouseDClick(h.table()->viewport(), Qt::LeftButton, {}, QPoint(20, h.table()->viewport()->height() - 5));
        QVERIFY(h.opener.opened.isEmpty());
        QVERIFY(h.alerts.shown.isEmpty());
    }

    void copyPutsRtfHtmlAndPlainCitationsOnTheClipboard()
    {
        AppHarness h;
        if (!load(h, 6))
            return;
        AppController &c = *h.controller;
        QClipboard *clipboard = QGuiApplication::clipboard();

        h.table()->clearSelection();
        h.table()->setFocus();
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        // A copy writes nothing to the log: it is no event worth a line.
        QVERIFY(h.log.filter(QStringLiteral("index")).isEmpty());
        QCOMPARE(clipboard->mimeData()->text(), QString());
        QVERIFY(clipboard->mimeData()->hasFormat(QStringLiteral("text/rtf")));

        h.selectRows({3, 1});
        QTest::keyClick(h.table(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(h.log.filter(QStringLiteral("index")).isEmpty());
        const QString plain = clipboard->mimeData()->text();
        const QString first = c.citationAStringForArticle(c.getArticleList()[1]).toPlainText();
        const QString second = c.citationAStringForArticle(c.getArticleList()[3]).toPlainText();
        QCOMPARE(plain, first + second);
        QVERIFY(first.endsWith(QStringLiteral("\n\n")));
        const QByteArray rtf = clipboard->mimeData()->data(QStringLiteral("text/rtf"));
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.contains("HYPERLINK"));
        const QString html = clipboard->mimeData()->html();
        QVERIFY(html.contains(QStringLiteral("<a href=")));
        QVERIFY(html.indexOf(c.getArticleList()[1].text(ArticleRecord::Key::PMID))
                < html.indexOf(c.getArticleList()[3].text(ArticleRecord::Key::PMID)));

        // After sorting, the same row numbers hold other articles, and the copy follows.
        h.table()->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
        h.selectRows({1, 3});
        c.window()->findChild<QAction *>(QStringLiteral("copyAction"))->trigger();
        QCOMPARE(clipboard->mimeData()->text(),
                 c.citationAStringForArticle(c.getArticleList()[1]).toPlainText()
                     + c.citationAStringForArticle(c.getArticleList()[3]).toPlainText());
    }

    void draggedRowsAreCopiedNeverMoved()
    {
        AppHarness h;
        if (!load(h, 4))
            return;
        AppController &c = *h.controller;
        QAbstractItemModel *model = h.table()->model();
        QCOMPARE(model->supportedDragActions(), Qt::CopyAction);
        std::unique_ptr<QMimeData> data(model->mimeData({model->index(2, 0), model->index(2, 1)}));
        QVERIFY(data);
        QCOMPARE(data->formats().contains(QStringLiteral("text/rtf")), true);
        QCOMPARE(data->text(), c.citationAStringForArticle(c.getArticleList()[2]).toPlainText());
        QCOMPARE(c.numberOfRowsInTableView(), 4);
    }

    void preferencesWindowLoadsStoresAndReadsNumbersLoosely()
    {
        AppHarness h;
        h.store.setBool(PreferenceKeys::UseProxy, false);
        h.store.setObject(PreferenceKeys::ThisMany, 35);
        AppController &c = h.start();
        c.showPreferencePanel();
        PreferenceController *prefs = c.preferences();
        QVERIFY(prefs && prefs->window());
        QWidget *window = prefs->window();
        auto *useProxy = window->findChild<QCheckBox *>(QStringLiteral("useProxyCheckBox"));
        auto *proxyField = window->findChild<QLineEdit *>(QStringLiteral("proxyURLNSTextField"));
        auto *proxyLabel = window->findChild<QLabel *>(QStringLiteral("proxyURLLabel"));
        auto *thisMany = window->findChild<QLineEdit *>(QStringLiteral("thisManyNSTextField"));
        auto *warning = window->findChild<QLineEdit *>(QStringLiteral("urlWarningNumberNSTextField"));
        auto *checkUpdates = window->findChild<QCheckBox *>(QStringLiteral("checkUpdatesOnStartupNSButton"));
        QVERIFY(useProxy && proxyField && proxyLabel && thisMany && warning && checkUpdates);

        QCOMPARE(useProxy->isChecked(), false);
        QCOMPARE(proxyField->text(), kDefaultProxyURL);
        QVERIFY(!proxyField->isEnabled());
        QVERIFY(!proxyLabel->isEnabled());
        QCOMPARE(thisMany->text(), QStringLiteral("35"));
        QCOMPARE(warning->text(), QStringLiteral("3"));
        QCOMPARE(checkUpdates->isChecked(), false);

        useProxy->click();
        QCOMPARE(h.store.boolean(PreferenceKeys::UseProxy), true);
        // The placeholder address is no address of the user's: it is not stored.
        QVERIFY(window->close());
        QVERIFY(!h.settings.contains(PreferenceKeys::ProxyURL));
        c.showPreferencePanel();
        QVERIFY(proxyField->isEnabled() && proxyLabel->isEnabled());
        useProxy->click();
        QVERIFY(!proxyField->isEnabled() && !proxyLabel->isEnabled());
        checkUpdates->click();
        QCOMPARE(c.updateCheckOnStart(), true);

        // Return in a field stores it; the proxy field logs each time.
        thisMany->setText(QStringLiteral("25 apples"));
        QTest::keyClick(thisMany, Qt::Key_Return);
        QCOMPARE(c.thisMany(), 25);
        QCOMPARE(thisMany->text(), QStringLiteral("25 apples"));
        // Out of range, it is stored and shown bounded.
        thisMany->setText(QStringLiteral("20000"));
        QTest::keyClick(thisMany, Qt::Key_Return);
        QCOMPARE(c.thisMany(), 10000);
        QCOMPARE(thisMany->text(), QStringLiteral("10000"));
        // A template that is not used says why, as long as the proxy is in use.
        auto *problem = window->findChild<QLabel *>(QStringLiteral("proxyURLProblemLabel"));
        QVERIFY(problem);
        proxyField->setText(QStringLiteral("javascript:alert(1)//%@"));
        QVERIFY(problem->isHidden());
        useProxy->click();
        QVERIFY(!problem->isHidden());
        QTRY_VERIFY(problem->height() >= problem->heightForWidth(problem->width())); // not clipped
        QVERIFY2(problem->text().contains(QLatin1String("https://")), qPrintable(problem->text()));
        proxyField->setText(QStringLiteral("https://p.example/?u=%@"));
        QVERIFY(problem->isHidden());
        QTest::keyClick(proxyField, Qt::Key_Return);
        QTest::keyClick(proxyField, Qt::Key_Return);
        QCOMPARE(h.log.count(QStringLiteral("\n*****changed Proxy URL\n")), 2);
        QCOMPARE(c.proxyURL(), QStringLiteral("https://p.example/?u=%@"));

        // Closing stores all three fields, edited or not.
        thisMany->setText(QStringLiteral("abc"));
        warning->setText(QStringLiteral(" -4"));
        proxyField->setText(QStringLiteral("https://q.example/?u=%@"));
        QVERIFY(window->close());
        QCOMPARE(c.thisMany(), 1);
        QCOMPARE(thisMany->text(), QStringLiteral("1"));
        QCOMPARE(c.urlWarningNumber(), -4);
        QCOMPARE(c.proxyURL(), QStringLiteral("https://q.example/?u=%@"));

        // Showing again reuses the controller and its window.
        c.showPreferencePanel();
        QCOMPARE(c.preferences(), prefs);
        QCOMPARE(prefs->window(), window);

        // The EZproxy help is shown in the application, reached and closed
        // from the keyboard; nothing is opened in the browser.
        auto *help = window->findChild<QPushButton *>(QStringLiteral("ezProxyHelpButton"));
        QVERIFY(help->focusPolicy() & Qt::TabFocus);
        const qsizetype openedBefore = h.opener.opened.size();
        help->setFocus();
        QTest::keyClick(help, Qt::Key_Space);
        auto *text = window->findChild<QLabel *>(QStringLiteral("ezProxyHelpText"));
        QVERIFY(text);
        QWidget *dialog = text->window();
        QVERIFY(dialog->isVisible());
        QCOMPARE(text->textFormat(), Qt::PlainText);
        for (const QString &point : {QStringLiteral("%@"), QStringLiteral("login?url=%@"), QStringLiteral("prefix"),
                                     QLatin1Char('"') + useProxy->text() + QLatin1Char('"')})
            QVERIFY2(text->text().contains(point), qPrintable(point));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(window->isVisible());
        QCOMPARE(h.opener.opened.size(), openedBefore);
    }

    void helpAndSearchTags()
    {
        AppHarness h;
        AppController &c = h.start();
        c.openMoreHelp();
        QCOMPARE(h.opener.opened.last(), QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/help/#search-tags")));
        c.showSearchTagsPanel();
        QWidget *panel = h.widget<QWidget>("searchTagsPanel");
        QVERIFY(panel->isVisible());
        const QString tags = h.widget<QLabel>("searchTagsLabel")->text();
        for (const char *tag : {"[ti]", "[au]", "[dp]", "[mh]", "[ta]", "[pt]"})
            QVERIFY2(tags.contains(QLatin1String(tag)), tag);
    }
};

QTEST_MAIN(LinksExportPreferencesTest)
#include "LinksExportPreferencesTest.moc"
