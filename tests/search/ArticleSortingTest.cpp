#include "search/ArticleSorting.h"

#include <QLocale>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>

namespace {
ArticleList articlesTitled(const QStringList &titles)
{
    ArticleList list;
    ArticleRecord::Builder builder;
    int pmid = 1;
    for (const QString &title : titles) {
        builder.clear();
        builder.text(ArticleRecord::Key::Title) = title.toStdString();
        builder.text(ArticleRecord::Key::PMID) = std::to_string(pmid++);
        list.append(builder.build("https://example.org/elink"));
    }
    return list;
}

QStringList column(const ArticleList &list, ArticleRecord::Key key)
{
    QStringList texts;
    for (const ArticleRecord &r : list)
        texts.append(r.text(key));
    return texts;
}
} // namespace

class ArticleSortingTest : public QObject
{
    Q_OBJECT

private slots:
    void ignoresCaseKeepsTiesInPlaceAndReportsThePermutation_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    }
    void ignoresCaseKeepsTiesInPlaceAndReportsThePermutation()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        ArticleList list = articlesTitled({QStringLiteral("beta"), QStringLiteral("Zeta"), QStringLiteral("Alpha"),
                                           QStringLiteral("zeta"), QStringLiteral("alpha")});

        const std::vector<qsizetype> permutation = sortArticles(list, ArticleRecord::Key::Title, Qt::AscendingOrder);
        QCOMPARE(column(list, ArticleRecord::Key::Title),
                 (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("beta"),
                              QStringLiteral("Zeta"), QStringLiteral("zeta")}));
        QCOMPARE(permutation, (std::vector<qsizetype>{2, 4, 0, 1, 3}));

        sortArticles(list, ArticleRecord::Key::Title, Qt::DescendingOrder);
        QCOMPARE(column(list, ArticleRecord::Key::PMID),
                 (QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("3"),
                              QStringLiteral("5")}));
        QLocale::setDefault(QLocale::system());
    }

    // Runs of digits compare as numbers, as a reader counts: a longer PMID
    // is a larger one, and "Type 2" comes before "Type 10".
    void digitRunsCompareAsNumbers_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("texts");  // in list order
        QTest::addColumn<QStringList>("sorted"); // ascending
        const int pmid = int(ArticleRecord::Key::PMID);
        const int title = int(ArticleRecord::Key::Title);
        QTest::newRow("PMIDs of seven and eight digits")
            << pmid << QStringList{"12345678", "9876543", "123456", "10000000"}
            << QStringList{"123456", "9876543", "10000000", "12345678"};
        QTest::newRow("numbers inside titles")
            << title << QStringList{"Type 10 diabetes", "type 2 diabetes", "Type 1 diabetes", "Type 2a"}
            << QStringList{"Type 1 diabetes", "type 2 diabetes", "Type 2a", "Type 10 diabetes"};
    }
    void digitRunsCompareAsNumbers()
    {
        QFETCH(int, key);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, sorted);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::system()); });
        ArticleList list;
        ArticleRecord::Builder builder;
        for (const QString &text : std::as_const(texts)) {
            builder.clear();
            builder.text(ArticleRecord::Key(key)) = text.toStdString();
            list.append(builder.build("https://example.org/elink"));
        }
        sortArticles(list, ArticleRecord::Key(key), Qt::AscendingOrder);
        QCOMPARE(column(list, ArticleRecord::Key(key)), sorted);
        std::reverse(sorted.begin(), sorted.end());
        sortArticles(list, ArticleRecord::Key(key), Qt::DescendingOrder);
        QCOMPARE(column(list, ArticleRecord::Key(key)), sorted);
    }
};

QTEST_GUILESS_MAIN(ArticleSortingTest)
#include "ArticleSortingTest.moc"
