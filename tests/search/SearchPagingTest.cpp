#include "search/SearchMessages.h"
#include "search/SearchPaging.h"

#include <QTest>

class SearchPagingTest : public QObject
{
    Q_OBJECT

private slots:
    void fortyFiveMatchesInBatchesOfTwenty()
    {
        SearchPaging paging;
        paging.reset(20);
        QCOMPARE(paging.retStart(), 0);
        QCOMPARE(paging.retMax(), 20);

        QVERIFY(paging.advance(45, 0, 20, 20));
        QCOMPARE(paging.retStart(), 20);
        QCOMPARE(paging.retMax(), 20);

        QVERIFY(paging.advance(45, 20, 20, 20));
        QCOMPARE(paging.retStart(), 40);
        QCOMPARE(paging.retMax(), 5);

        QVERIFY(!paging.advance(45, 40, 5, 20));
        // The window just used stays.
        QCOMPARE(paging.retStart(), 40);
        QCOMPARE(paging.retMax(), 5);
    }

    void remainderAgainstBatchSize_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("batchSize");
        QTest::addColumn<bool>("more");
        QTest::addColumn<int>("nextMax");
        QTest::newRow("40 matches: remainder equals the batch") << 40 << 20 << true << 20;
        QTest::newRow("21 matches: one left") << 21 << 20 << true << 1;
        QTest::newRow("exactly 20 matches") << 20 << 20 << false << 20;
        QTest::newRow("fewer matches than the batch") << 7 << 20 << false << 20;
        QTest::newRow("total near the 32-bit limit") << INT32_MAX << 20 << true << 20;
    }
    void remainderAgainstBatchSize()
    {
        QFETCH(int, total);
        QFETCH(int, batchSize);
        QFETCH(bool, more);
        QFETCH(int, nextMax);
        SearchPaging paging;
        paging.reset(batchSize);
        const int batch = std::min(total, batchSize);
        QCOMPARE(paging.advance(total, 0, batch, batchSize), more);
        QCOMPARE(paging.retMax(), nextMax);
        if (more)
            QCOMPARE(paging.retStart(), batch);
    }

    // A window offered again after a failure promises only what it can bring.
    void limitToWhatRemains_data()
    {
        QTest::addColumn<int>("retStart");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("limited");
        QTest::newRow("5 matches, first window") << 0 << 5 << 5;
        QTest::newRow("window fits") << 20 << 45 << 20;
        QTest::newRow("exactly fits") << 20 << 40 << 20;
        QTest::newRow("past the end") << 40 << 30 << 0;
    }
    void limitToWhatRemains()
    {
        QFETCH(int, retStart);
        QFETCH(int, total);
        QFETCH(int, limited);
        SearchPaging paging;
        paging.reset(20);
        if (retStart > 0)
            QVERIFY(paging.advance(retStart + 20, 0, retStart, 20));
        QCOMPARE(paging.retStart(), retStart);
        paging.limitTo(total);
        QCOMPARE(paging.retMax(), limited);
        QCOMPARE(paging.retStart(), retStart);
    }

    // ESearch serves the first 9,999 PMIDs only: windows stop there, the last
    // one cut to end exactly at it, whatever the batch size.
    void windowsStopAtTheServedPmids_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("batchSize");
        QTest::addColumn<QList<int>>("windows"); // retStart, retMax pairs
        QTest::newRow("batches of 4000") << 123456 << 4000 << QList<int>{0, 4000, 4000, 4000, 8000, 1999};
        QTest::newRow("one batch of 10000") << 123456 << 10000 << QList<int>{0, 9999};
        QTest::newRow("exactly at the limit") << 9999 << 5000 << QList<int>{0, 5000, 5000, 4999};
        QTest::newRow("one past it") << 10000 << 9998 << QList<int>{0, 9998, 9998, 1};
    }
    void windowsStopAtTheServedPmids()
    {
        QFETCH(int, total);
        QFETCH(int, batchSize);
        QFETCH(QList<int>, windows);
        SearchPaging paging;
        paging.reset(batchSize);
        QList<int> seen;
        int downloaded = 0;
        do {
            seen << paging.retStart() << paging.retMax();
            QCOMPARE(paging.retStart(), downloaded);
            downloaded += paging.retMax();
        } while (paging.advance(total, paging.retStart(), paging.retMax(), batchSize) && seen.size() < 100);
        QCOMPARE(seen, windows);
        QCOMPARE(SearchPaging::stoppedAtLimit(total, downloaded), total > 9999);
        QVERIFY(!SearchPaging::stoppedAtLimit(total, downloaded - 1));
    }

    void batchSizeChangeTakesEffectAtTheNextWindow()
    {
        SearchPaging paging;
        paging.reset(20);
        QVERIFY(paging.advance(100, 0, 20, 50));
        QCOMPARE(paging.retStart(), 20);
        QCOMPARE(paging.retMax(), 50);
    }
};

QTEST_GUILESS_MAIN(SearchPagingTest)
#include "SearchPagingTest.moc"
