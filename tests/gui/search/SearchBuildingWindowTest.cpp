// Building a search as an expert does: the MeSH browser, the advanced
// builder and Results by Year, in the real window against the fake server.
#include "AppHarness.h"

#include "gui/querybuilder/AdvancedSearchDialog.h"
#include "gui/timeline/YearChartView.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QUrlQuery>

namespace {

QString item(const QUrl &url, const char *key)
{
    return QUrlQuery(url).queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}

// ESearch as the service answers it: a count request gets the articles of
// the years asked (2019: 7, 2021: 3; 10 without years), any other the
// window of 45 matches.
void serveSearchesAndCounts(FakeEutilsServer &server)
{
    server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &url) {
        if (item(url, "rettype") != QLatin1String("count"))
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(45, item(url, "retstart").toInt(), item(url, "retmax").toInt()));
        const int from = item(url, "mindate").toInt();
        const int to = item(url, "maxdate").toInt();
        const int count = from == 0 ? 10 : (from <= 2019 && to >= 2019 ? 7 : 0) + (from <= 2021 && to >= 2021 ? 3 : 0);
        return FakeResponse::xml("<eSearchResult><Count>" + QByteArray::number(count) + "</Count></eSearchResult>");
    });
}

int countRequests(const FakeEutilsServer &server)
{
    int count = 0;
    for (const QUrl &url : server.requestUrls())
        count += item(url, "rettype") == QLatin1String("count");
    return count;
}

} // namespace

class SearchBuildingWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        FakeEutilsServer::unpaceRequests();
    }

    // The chart fills in, a drag over its bars sets the year filter and
    // searches again, and the same search shown again asks nothing more.
    void draggingOverYearsNarrowsTheSearch()
    {
        AppHarness h;
        serveSearchesAndCounts(h.server);
        h.server.serveEfetch();
        h.start();
        h.search(QStringLiteral("sepsis"));
        QVERIFY(h.waitForTransfer());
        QTest::mouseClick(h.widget<QToolButton>("byYearButton"), Qt::LeftButton);
        auto *chart = h.widget<YearChartView>("yearChartView");
        QVERIFY(QTest::qWaitFor([&] { return h.widget<QLabel>("timelineSummary")->text() == QStringLiteral("10 articles, 2019\u20132021"); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return h.widget<QLabel>("timelineStatus")->text().isEmpty(); }, 10000));
        const int asked = countRequests(h.server);

        const YearChart layout = chart->chart();
        const auto centre = [&](int year) { return layout.bars.at(year - layout.bars.constFirst().year).rect.center().toPoint(); };
        QTest::mousePress(chart, Qt::LeftButton, {}, centre(2021));
        QMouseEvent move(QEvent::MouseMove, centre(2020), chart->mapToGlobal(centre(2020)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart, &move);
        QTest::mouseRelease(chart, Qt::LeftButton, {}, centre(2020));
        QVERIFY(h.waitForSearchAnswer());
        QCOMPARE(h.widget<QSpinBox>("yearFromBox")->value(), 2020);
        QCOMPARE(h.widget<QSpinBox>("yearToBox")->value(), 2021);
        QList<QUrl> searches = h.esearchRequests();
        searches.removeIf([](const QUrl &url) { return item(url, "rettype") == QLatin1String("count"); });
        QCOMPARE(item(searches.last(), "term"), QStringLiteral("(sepsis) AND 2020:2021[dp]"));
        // Keys choose too: End, Shift+Left, Return.
        chart->setFocus();
        QTest::keyClick(chart, Qt::Key_End);
        QTest::keyClick(chart, Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(chart->accessibleDescription().startsWith(QStringLiteral("%1: ").arg(layout.bars.constLast().year - 1)));
        QVERIFY(h.waitForTransfer());
        // The same search again counts nothing again.
        h.widget<QSpinBox>("yearFromBox")->setValue(0);
        h.widget<QSpinBox>("yearToBox")->setValue(0);
        h.search(QStringLiteral("sepsis"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(countRequests(h.server), asked);
        QCOMPARE(h.library.yearCounts(QStringLiteral("sepsis"), QDateTime::currentDateTimeUtc().addDays(-1)),
                 QStringLiteral("Year,Count\n2021,3\n2019,7\n"));
    }

    // A word finds a heading with the entry term it matched; AND and NOT (its
    // key, as Alt and the letters belong to the menu bar) add it to the search field; the same word again costs no request.
    void meshBrowserAddsHeadingsToTheSearch()
    {
        AppHarness h;
        h.server.setHandler(QLatin1String(Paths::ESearch), [](const QUrl &) {
            return FakeResponse::xml("<eSearchResult><Count>1</Count><IdList><Id>67414177</Id></IdList></eSearchResult>");
        });
        const std::optional<QByteArray> summary = readTestData(QStringLiteral(VEXMOOR_TESTDATA_DIR "/../services/mesh/klortho_esummary_mesh_v2.xml"));
        QVERIFY(summary);
        h.server.setHandler(QLatin1String(Paths::ESummary), [&](const QUrl &) { return FakeResponse::xml(*summary); });
        AppController &c = h.start();
        c.window()->findChild<QAction *>(QStringLiteral("meshBrowserAction"))->trigger();
        auto *word = h.widget<QLineEdit>("meshWordField");
        QTest::keyClicks(word, QStringLiteral("hcat-2"));
        QTest::keyClick(word, Qt::Key_Return);
        auto *results = h.widget<QListWidget>("meshResults");
        QVERIFY(QTest::qWaitFor([&] { return results->count() == 1; }, 10000));
        QCOMPARE(results->item(0)->text(), QStringLiteral("SLC7A2 protein, human (found as hCAT-2 transport protein)"));
        QTest::keyClick(word, Qt::Key_Down);
        QVERIFY(QTest::qWaitFor([&] { return h.widget<QLabel>("meshName")->text() == QStringLiteral("SLC7A2 protein, human"); }, 10000));
        QTest::mouseClick(h.widget<QPushButton>("meshANDButton"), Qt::LeftButton);
        QCOMPARE(h.searchField()->text(), QStringLiteral("\"SLC7A2 protein, human\"[nm]"));
        h.searchField()->setText(QStringLiteral("child OR infant"));
        QTest::keyClick(results, Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(h.searchField()->text(), QStringLiteral("(child OR infant) NOT \"SLC7A2 protein, human\"[nm]"));

        const int requests = int(h.server.requestUrls().size());
        word->setText(QStringLiteral("HCAT-2 "));
        QTest::keyClick(word, Qt::Key_Return);
        QCOMPARE(int(h.server.requestUrls().size()), requests);
    }

    // Rows make the query live; a row's count comes on demand; Search runs it.
    void advancedBuilderSearchesItsQuery()
    {
        AppHarness h;
        serveSearchesAndCounts(h.server);
        h.server.serveEfetch();
        AppController &c = h.start();
        QAction *advanced = c.window()->findChild<QAction *>(QStringLiteral("advancedSearchAction"));
        QCOMPARE(advanced->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
        advanced->trigger();
        auto *dialog = c.window()->findChild<AdvancedSearchDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->setRow(0, {QueryBuilder::Operator::And, QueryBuilder::Field::TitleAbstract, QStringLiteral("septic shock")});
        dialog->setRow(1, {QueryBuilder::Operator::Not, QueryBuilder::Field::PublicationDate, QStringLiteral("2019"), QStringLiteral("2019")});
        QCOMPARE(dialog->findChild<QPlainTextEdit *>(QStringLiteral("builtQuery"))->toPlainText(),
                 QStringLiteral("\"septic shock\"[tiab] NOT 2019:2019[dp]"));
        QList<QToolButton *> buttons = dialog->findChildren<QToolButton *>();
        QTest::mouseClick(buttons.at(0), Qt::LeftButton); // the first row's Count
        QVERIFY(QTest::qWaitFor([&] { return countRequests(h.server) == 1; }, 10000));
        QVERIFY(QTest::qWaitFor([&] {
            for (const QLabel *label : dialog->findChildren<QLabel *>()) {
                if (label->text() == QStringLiteral("10"))
                    return true;
            }
            return false;
        }, 10000));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("builderSearchButton")), Qt::LeftButton);
        QVERIFY(h.waitForSearchAnswer());
        QCOMPARE(c.searchString(), QStringLiteral("\"septic shock\"[tiab] NOT 2019:2019[dp]"));
    }
};

QTEST_MAIN(SearchBuildingWindowTest)
#include "SearchBuildingWindowTest.moc"
