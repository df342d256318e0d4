#include "preferences/RecentSearches.h"
#include "preferences/WindowLayout.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// What the application remembers between runs besides the preferences: the
// recent queries and the window's layout, read back from a settings file as
// a new process would, whatever the file holds.
class RememberedStateTest : public QObject
{
    Q_OBJECT

    // The settings file as the next process opens it.
    std::unique_ptr<QSettings> reopened()
    {
        m_settings->sync();
        return std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("prefs.ini"));
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        m_settings->clear();
    }

    void recentQueriesAreMostRecentFirstOnceEachAndAtMostTwenty()
    {
        RecentSearches recent;
        recent.add(QStringLiteral("crispr"));
        recent.add(QStringLiteral("  "));
        recent.add(QStringLiteral(" p53[ti] "));
        recent.add(QStringLiteral("Crispr"));
        recent.add(QStringLiteral("crispr"));
        QCOMPARE(recent.queries(), (QStringList{"crispr", "Crispr", "p53[ti]"}));

        for (int i = 1; i <= 25; ++i)
            recent.add(QStringLiteral("query %1").arg(i));
        QCOMPARE(recent.queries().size(), RecentSearches::kCapacity);
        QCOMPARE(recent.queries().first(), QStringLiteral("query 25"));
        QCOMPARE(recent.queries().last(), QStringLiteral("query 6"));
        // The one searched for again comes back to the front; nothing else is lost.
        recent.add(QStringLiteral("query 6"));
        QCOMPARE(recent.queries().size(), RecentSearches::kCapacity);
        QCOMPARE(recent.queries().first(), QStringLiteral("query 6"));
        QCOMPARE(recent.queries().last(), QStringLiteral("query 7"));

        recent.clear();
        QVERIFY(recent.queries().isEmpty());
    }

    void recentQueriesSurviveAReopen_data()
    {
        QTest::addColumn<QStringList>("queries"); // oldest first
        QTest::newRow("none") << QStringList{};
        QTest::newRow("one") << QStringList{"crispr"};
        QTest::newRow("commas, quotes and backslashes")
            << QStringList{"\"a, b\"[ti] AND c", "x\\y", "smith j[au], 2020[dp]", "@Variant(x)", "ümlaut & µ"};
    }
    void recentQueriesSurviveAReopen()
    {
        QFETCH(QStringList, queries);
        RecentSearches recent;
        for (const QString &query : std::as_const(queries))
            recent.add(query);
        recent.save(*m_settings);
        QCOMPARE(RecentSearches::load(*reopened()).queries(), recent.queries());
    }

    // Whatever a file edited by hand or written by another version holds,
    // the list read from it keeps its rules.
    void storedRecentQueriesAreReadAsTheRulesAllow_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("read");
        QStringList thirty;
        for (int i = 0; i < 30; ++i)
            thirty.append(QStringLiteral("q%1").arg(i));
        QTest::newRow("missing") << QVariant() << QStringList{};
        QTest::newRow("a number") << QVariant(42) << QStringList{};
        QTest::newRow("blanks and repeats") << QVariant(QStringList{"a", " ", "b", "a ", "", "c", "b"})
                                            << QStringList{"a", "b", "c"};
        QTest::newRow("thirty") << QVariant(thirty) << thirty.mid(0, 20);
    }
    void storedRecentQueriesAreReadAsTheRulesAllow()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, read);
        if (stored.isValid())
            m_settings->setValue(RecentSearches::kSettingsKey, stored);
        QCOMPARE(RecentSearches::load(*reopened()).queries(), read);
    }

    void windowLayoutSurvivesAReopen()
    {
        WindowLayout layout;
        layout.geometry = QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00", 8);
        layout.splitterSizes = {300, 0};
        layout.columnWidths = {220, 460, 160, 60, 90, 120};
        layout.sortColumn = 5;
        layout.sortOrder = Qt::DescendingOrder;
        layout.save(*m_settings);
        const WindowLayout read = WindowLayout::load(*reopened(), 2, 6);
        QCOMPARE(read.geometry, layout.geometry);
        QCOMPARE(read.splitterSizes, layout.splitterSizes);
        QCOMPARE(read.columnWidths, layout.columnWidths);
        QCOMPARE(read.sortColumn, 5);
        QCOMPARE(read.sortOrder, Qt::DescendingOrder);

        // A window of another shape than the one that saved takes nothing it cannot use.
        const WindowLayout other = WindowLayout::load(*reopened(), 3, 5);
        QVERIFY(other.splitterSizes.isEmpty());
        QVERIFY(other.columnWidths.isEmpty());
        QCOMPARE(other.sortColumn, -1);
    }

    // Each corrupt value falls back to the default on its own; the values
    // beside it are still read.
    void corruptWindowValuesReadAsDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("geometry as text") << "window/geometry" << QVariant(QStringLiteral("big"));
        QTest::newRow("splitter of one pane") << "window/splitterSizes" << QVariant(QVariantList{400});
        QTest::newRow("splitter with a word") << "window/splitterSizes" << QVariant(QStringList{"400", "wide"});
        QTest::newRow("splitter of negative size") << "window/splitterSizes" << QVariant(QVariantList{400, -1});
        QTest::newRow("splitter all collapsed") << "window/splitterSizes" << QVariant(QVariantList{0, 0});
        QTest::newRow("column too wide") << "window/columnWidths"
                                         << QVariant(QVariantList{1, 2, 3, 4, 5, WindowLayout::kMaxLength + 1});
        QTest::newRow("columns too few") << "window/columnWidths" << QVariant(QVariantList{1, 2, 3, 4, 5});
        QTest::newRow("sort column past the last") << "window/sortColumn" << QVariant(6);
        QTest::newRow("sort column below -1") << "window/sortColumn" << QVariant(-2);
        QTest::newRow("sort column a word") << "window/sortColumn" << QVariant(QStringLiteral("title"));
        QTest::newRow("sort order 2") << "window/sortOrder" << QVariant(2);
        QTest::newRow("sort order missing") << "window/sortOrder" << QVariant();
    }
    void corruptWindowValuesReadAsDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        WindowLayout saved;
        saved.geometry = QByteArray("geometry");
        saved.splitterSizes = {300, 200};
        saved.columnWidths = {1, 2, 3, 4, 5, 6};
        saved.sortColumn = 2;
        saved.sortOrder = Qt::DescendingOrder;
        saved.save(*m_settings);
        if (stored.isValid())
            m_settings->setValue(key, stored);
        else
            m_settings->remove(key);

        const WindowLayout read = WindowLayout::load(*reopened(), 2, 6);
        const WindowLayout defaults;
        const bool geometry = key == QLatin1String("window/geometry");
        const bool splitter = key == QLatin1String("window/splitterSizes");
        const bool columns = key == QLatin1String("window/columnWidths");
        const bool sort = key.startsWith(QLatin1String("window/sort"));
        QCOMPARE(read.geometry, geometry ? defaults.geometry : saved.geometry);
        QCOMPARE(read.splitterSizes, splitter ? defaults.splitterSizes : saved.splitterSizes);
        QCOMPARE(read.columnWidths, columns ? defaults.columnWidths : saved.columnWidths);
        QCOMPARE(read.sortColumn, sort ? defaults.sortColumn : saved.sortColumn);
        QCOMPARE(read.sortOrder, sort ? defaults.sortOrder : saved.sortOrder);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

QTEST_GUILESS_MAIN(RememberedStateTest)
#include "RememberedStateTest.moc"
