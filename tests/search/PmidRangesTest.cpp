// Cutting a query too large for ESearch into PMID ranges it can serve whole.
#include "search/PmidRanges.h"

#include <QTest>

#include <algorithm>

class PmidRangesTest : public QObject
{
    Q_OBJECT

private slots:
    void rangeQuery()
    {
        QCOMPARE(queryInPmidRange(QStringLiteral("cancer OR tumour"), {100, 200}),
                 QStringLiteral("(cancer OR tumour) AND 100:200[uid]"));
    }

    // Counts come from a sorted list of PMIDs; every leaf must hold at most
    // the limit, the leaves must cover every PMID once, highest first, and
    // no range is counted twice.
    void leavesCoverEveryMatchOnceFromTheTop_data()
    {
        QTest::addColumn<QList<int64_t>>("pmids");
        QTest::addColumn<int64_t>("limit");
        QList<int64_t> spread, clustered, small;
        for (int64_t i = 0; i < 2500; ++i)
            spread.append(30000000 + 37 * i);
        for (int64_t i = 0; i < 1000; ++i)
            clustered.append(i < 990 ? 5000 + i : 9000000000 + i);
        small = {1, 2, 9999999999};
        QTest::newRow("spread") << spread << int64_t(999);
        QTest::newRow("clustered at both ends") << clustered << int64_t(100);
        QTest::newRow("the first and last PMIDs") << small << int64_t(1);
    }
    void leavesCoverEveryMatchOnceFromTheTop()
    {
        QFETCH(QList<int64_t>, pmids);
        QFETCH(int64_t, limit);
        std::sort(pmids.begin(), pmids.end());
        const auto inRange = [&](const PmidRange &r) {
            return std::upper_bound(pmids.begin(), pmids.end(), r.high) - std::lower_bound(pmids.begin(), pmids.end(), r.low);
        };
        QList<PmidRange> counted;
        QList<int64_t> covered;
        int64_t lastHigh = INT64_MAX;
        const bool done = splitPmidRanges(
            PmidRange{}, int64_t(pmids.size()), limit,
            [&](const PmidRange &r) -> std::optional<int64_t> {
                if (counted.contains(r))
                    qFatal("range counted twice");
                counted.append(r);
                return inRange(r);
            },
            [&](const PmidRange &r, int64_t count) {
                if (count > limit || count != inRange(r) || r.high >= lastHigh)
                    return false;
                lastHigh = r.low;
                QList<int64_t> block;
                for (auto it = std::lower_bound(pmids.begin(), pmids.end(), r.low); it != pmids.end() && *it <= r.high; ++it)
                    block.append(*it);
                covered = block + covered;
                return true;
            });
        QVERIFY(done);
        QCOMPARE(covered, pmids);
    }

    // A count that fails, or a leaf that fails, ends the walk as a failure.
    void failuresStopTheWalk()
    {
        int leaves = 0;
        QVERIFY(!splitPmidRanges(PmidRange{}, 50, 10, [](const PmidRange &) { return std::optional<int64_t>(); },
                                 [&](const PmidRange &, int64_t) { return ++leaves, true; }));
        QCOMPARE(leaves, 0);
        QVERIFY(!splitPmidRanges(PmidRange{}, 5, 10, [](const PmidRange &) { return std::optional<int64_t>(1); },
                                 [&](const PmidRange &, int64_t) { return ++leaves, false; }));
        QCOMPARE(leaves, 1);
        // A service that reports more than the limit for any range, one PMID
        // included: that PMID is a leaf, not split again.
        QList<PmidRange> seen;
        QVERIFY(!splitPmidRanges(PmidRange{}, std::nullopt, 10, [](const PmidRange &) { return std::optional<int64_t>(11); },
                                 [&](const PmidRange &r, int64_t) { return seen.append(r), seen.size() < 3; }));
        QCOMPARE(seen, (QList<PmidRange>{{9999999999, 9999999999}, {9999999998, 9999999998}, {9999999997, 9999999997}}));
    }
};

QTEST_GUILESS_MAIN(PmidRangesTest)
#include "PmidRangesTest.moc"
