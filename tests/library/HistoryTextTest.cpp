#include "library/HistoryExpansion.h"
#include "library/HistoryFilter.h"
#include "library/HistoryMessages.h"
#include "library/SearchLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

namespace {

HistoryEntry entry(qint64 number, const QString &query, const QString &translation = {})
{
    HistoryEntry e;
    e.number = number;
    e.source = SearchSource::pubmedQuery(query);
    e.effectiveQuery = e.source.effectiveQuery();
    e.translation = translation;
    e.started = QDateTime(QDate(2026, 12, 9), QTime(9, 30), QTimeZone(3600));
    return e;
}

// #3 and #5 are queries, #4 a link set; there is no other.
std::optional<HistoryEntry> lookup(qint64 number)
{
    if (number == 3)
        return entry(3, QStringLiteral("asthma OR (wheez* AND child)"));
    if (number == 5)
        return entry(5, QStringLiteral("inhaled corticosteroids"));
    if (number == 4) {
        HistoryEntry links = entry(4, {});
        links.source = SearchSource::linkedTo(LinkKind::Similar, {QStringLiteral("31746150")});
        return links;
    }
    return std::nullopt;
}

} // namespace

class HistoryTextTest : public QObject
{
    Q_OBJECT

private slots:
    void expandsReferences_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expanded");
        QTest::addColumn<QString>("error");
        QTest::newRow("combined") << HistoryExpansion::combination({3, 5}, HistoryExpansion::Operator::Not)
                                  << "(asthma OR (wheez* AND child)) NOT (inhaled corticosteroids)" << "";
        QTest::newRow("nested") << "(#3 OR copd) AND #5[ti]"
                                << "((asthma OR (wheez* AND child)) OR copd) AND (inhaled corticosteroids)[ti]" << "";
        QTest::newRow("in a phrase") << "\"#3\" AND #5" << "\"#3\" AND (inhaled corticosteroids)" << "";
        QTest::newRow("glued to words") << "C#3 OR #3a OR #" << "C#3 OR #3a OR #" << "";
        QTest::newRow("unknown number") << "#3 AND #7" << "" << HistoryMessages::noSuchSearch(7);
        QTest::newRow("link set") << "#4" << "" << HistoryMessages::notAQuery(4);
    }

    void expandsReferences()
    {
        QFETCH(QString, query);
        QFETCH(QString, expanded);
        QFETCH(QString, error);
        const HistoryExpansion::Result result = HistoryExpansion::expand(query, lookup);
        QCOMPARE(result.query, expanded);
        QCOMPARE(result.error, error);
        QCOMPARE(HistoryExpansion::refersToHistory(query), expanded != query);
    }

    // What a cell holds must neither end it, break the row nor become markup.
    void logCellsStayInTheirCells_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("csv");
        QTest::newRow("pipe") << "a|b" << "a\\|b" << "a|b";
        QTest::newRow("line breaks") << "a\r\nb\nc" << "a<br>b<br>c" << "\"a\r\nb\nc\"";
        QTest::newRow("markup") << "asthm* <b>_x_ `y` \\" << "asthm\\* &lt;b>\\_x\\_ \\`y\\` \\\\" << "asthm* <b>_x_ `y` \\";
        QTest::newRow("terminal escapes") << "a\x1b[31mred\x07" << "a\\\\x1B\\[31mred\\\\x07" << "a\\x1B[31mred\\x07";
        QTest::newRow("live links and images") << "[x](javascript:alert(1)) ![](http://t/p.png)"
                                               << "\\[x\\](javascript:alert(1)) \\!\\[\\](http://t/p.png)"
                                               << "[x](javascript:alert(1)) ![](http://t/p.png)";
        QTest::newRow("quotes and commas") << "\"lung cancer\", risk" << "\"lung cancer\", risk" << "\"\"\"lung cancer\"\", risk\"";
    }

    void logCellsStayInTheirCells()
    {
        QFETCH(QString, field);
        QFETCH(QString, markdown);
        QFETCH(QString, csv);
        const QList<HistoryEntry> entries = {entry(1, field, field)};
        const QString md = QString::fromUtf8(SearchLog::markdown(entries));
        QVERIFY2(md.contains(QStringLiteral("| ") + markdown + QStringLiteral(" | ") + markdown + QStringLiteral(" |")),
                 qPrintable(md));
        const QString row = QString::fromUtf8(SearchLog::csv(entries)).section(QStringLiteral("\r\n"), 1);
        QCOMPARE(row, QStringLiteral("1,2026-12-09T09:30:00+01:00,%1,%1,Most recent,,%1,\r\n").arg(csv));
        // Written row by row, the JSON log still reads as one array.
        const QJsonArray rows = QJsonDocument::fromJson(SearchLog::json({entries.first(), entries.first()})).array();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1)[QStringLiteral("query")].toString(), field);
    }

    void markdownNamesTheDatabaseAndDates()
    {
        QList<HistoryEntry> entries = {entry(2, QStringLiteral("b")), entry(1, QStringLiteral("a"))};
        entries[1].started = entries[1].started.addDays(-3);
        const QString md = QString::fromUtf8(SearchLog::markdown(entries));
        QVERIFY(md.contains(QStringLiteral("PubMed, through the NCBI E-utilities")));
        QVERIFY2(md.contains(QStringLiteral("from 2026-12-06 to 2026-12-09")), qPrintable(md));
    }

    void filtersIgnoringCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qsizetype>>("rows");
        QTest::newRow("blank") << " " << QList<qsizetype>{0, 1, 2, 3};
        QTest::newRow("beyond ASCII") << "SJÖGREN" << QList<qsizetype>{3};
        QTest::newRow("query") << "ASTHMA" << QList<qsizetype>{0, 2};
        QTest::newRow("translation") << "mesh terms" << QList<qsizetype>{1};
        QTest::newRow("effective query") << "English[la]" << QList<qsizetype>{2};
        QTest::newRow("not across parts") << "copd copd" << QList<qsizetype>{};
        // Texts typed in turn, "|" between them: only the last one's rows count.
        QTest::newRow("narrowed as it grows") << "a|as|AST|asthma|child asthma" << QList<qsizetype>{2};
        QTest::newRow("another word after") << "asthma|copd" << QList<qsizetype>{1};
        QTest::newRow("letters taken back") << "asthmas|asthma" << QList<qsizetype>{0, 2};
    }

    void filtersIgnoringCase()
    {
        QFETCH(QString, text);
        QFETCH(QList<qsizetype>, rows);
        QList<HistoryEntry> entries = {entry(1, QStringLiteral("Asthma")),
                                       entry(2, QStringLiteral("copd"), QStringLiteral("copd[MeSH Terms]")),
                                       entry(3, QStringLiteral("child asthma")), entry(4, QStringLiteral("Sjögren[mh]"))};
        entries[2].effectiveQuery = QStringLiteral("(child asthma) AND english[la]");
        HistoryFilter filter(entries);
        QList<qsizetype> matching;
        for (const QString &typed : text.split(u'|'))
            matching = filter.matching(typed);
        QCOMPARE(matching, rows);
    }
};

QTEST_GUILESS_MAIN(HistoryTextTest)
#include "HistoryTextTest.moc"
