// The count requests of Results by Year, against the fake server counting
// from PubMed's real "Results by year" download of a query.
#include "timeline/YearChart.h"
#include "timeline/YearCountsDownload.h"
#include "FakeEutilsServer.h"
#include "TestData.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace {

// One answer per count request: the sum of the years asked for.
void serveCounts(FakeEutilsServer &server, const YearCounts &counts)
{
    server.setHandler(QLatin1String(Paths::ESearch), [counts](const QUrl &url) {
        const QUrlQuery query(url);
        const int from = query.queryItemValue(QStringLiteral("mindate")).toInt();
        const int to = query.queryItemValue(QStringLiteral("maxdate")).toInt();
        qint64 sum = 0;
        for (auto year = counts.lowerBound(from); year != counts.cend() && year.key() <= to; ++year)
            sum += year.value();
        return FakeResponse::xml("<eSearchResult><Count>" + QByteArray::number(sum) + "</Count></eSearchResult>");
    });
}

// "2019" for a year, "2010-2019" for a span.
QString spanText(const QUrl &url)
{
    const QUrlQuery query(url);
    const QString from = query.queryItemValue(QStringLiteral("mindate"));
    const QString to = query.queryItemValue(QStringLiteral("maxdate"));
    return from == to ? from : from + QLatin1Char('-') + to;
}

} // namespace

class TimelineDownloadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        FakeEutilsServer::unpaceRequests();
    }

    // Decades first, then the years of those with articles; a decade known
    // to have some (a loaded year in it, or articles the year after it) is
    // not asked; after an empty decade, one request for all the older years.
    void decadesThenYears_data()
    {
        QTest::addColumn<QString>("counts"); // "year:count ..."; "microbiome": PubMed's real download
        QTest::addColumn<QList<int>>("loaded");
        QTest::addColumn<int>("lastYear");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("firstRequests");
        QTest::newRow("microbiome, 62 years with articles from 1956 to 2022, 2022 loaded")
            << "microbiome" << QList<int>{2022} << 2022 << 76
            << "2022 2021 2020 2019 2018 2017 2016 2015 2014 2013 2012 2011 2010 2009";
        QTest::newRow("two decades apart")
            << "1985:4 2003:9" << QList<int>{} << 2010 << 27
            << "2010 2000-2009 2009 2008 2007 2006 2005 2004 2003 2002 2001 2000 1990-1999 1000-1989 1980-1989 1989";
        QTest::newRow("no articles at all") << "" << QList<int>{} << 2022 << 2 << "2020-2022 1000-2019";
    }
    void decadesThenYears()
    {
        QFETCH(QString, counts);
        QFETCH(QList<int>, loaded);
        QFETCH(int, lastYear);
        QFETCH(int, requests);
        QFETCH(QString, firstRequests);
        QString csv;
        if (counts == QLatin1String("microbiome")) {
            READ_TEST_DATA(file, VEXMOOR_TESTDATA_DIR "/../services/pubmed_results_by_year/"
                                                      "riffomonas_PubMed_Timeline_Results_by_Year_microbiome.csv");
            csv = QString::fromUtf8(file);
        } else {
            csv = QStringLiteral("Year,Count\n") + counts.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char('\n')).replace(QLatin1Char(':'), QLatin1Char(','));
        }
        const std::optional<YearCounts> truth = YearCountsCsv::read(csv);
        QVERIFY(truth);
        FakeEutilsServer server;
        serveCounts(server, *truth);
        SessionSettings settings;
        settings.endpoints = server.endpoints();
        YearCountsDownload download(settings);
        QSignalSpy finished(&download, &YearCountsDownload::finished);
        QVERIFY(download.start(QStringLiteral("microbiome"), TimelinePlan(1000, lastYear, QSet<int>(loaded.cbegin(), loaded.cend()))));
        QVERIFY(finished.wait(20000));

        QStringList asked;
        for (const QUrl &url : server.requestUrls()) {
            QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("rettype")), QStringLiteral("count"));
            asked.append(spanText(url));
        }
        QCOMPARE(asked.size(), requests);
        QCOMPARE(asked.mid(0, int(firstRequests.count(QLatin1Char(' '))) + 1).join(QLatin1Char(' ')), firstRequests);
        // Every year with articles found, none made up: the download reads as PubMed's own.
        const QString query = counts == QLatin1String("microbiome") ? QStringLiteral("microbiome") : QString();
        QCOMPARE(YearCountsCsv::write(download.plan()->counts(), query), YearCountsCsv::write(*truth, query));
        if (!query.isEmpty())
            QCOMPARE(YearCountsCsv::write(download.plan()->counts(), query), csv);
    }

    // The chart's columns answer a pointer at either end and in between.
    void chartColumns()
    {
        const YearChart chart = YearChart::layOut({{2000, 10}, {2002, 5}}, 2000, 2009, QSizeF(264, 130));
        QCOMPARE(chart.bars.size(), 10);
        QCOMPARE(chart.bars.at(2).rect.height(), chart.plot.height() / 2);
        QCOMPARE(chart.bars.at(1).rect.height(), 0.0);
        QCOMPARE(chart.yearAt(0), 2000);
        QCOMPARE(chart.yearAt(chart.plot.left() + chart.plot.width() * 0.55), 2005);
        QCOMPARE(chart.yearAt(10000), 2009);
        QCOMPARE(chart.labelledYears, (QList<int>{2000, 2005}));
        QVERIFY(chart.svg(QStringLiteral("a <b>")).contains(QStringLiteral("<title>2002: 5</title>")));
        QVERIFY(chart.svg(QStringLiteral("a <b>")).contains(QStringLiteral("<title>a &lt;b&gt;</title>")));
    }
};

QTEST_GUILESS_MAIN(TimelineDownloadTest)
#include "TimelineDownloadTest.moc"
