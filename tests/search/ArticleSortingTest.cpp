#include "search/ArticleSorting.h"

#include <QLocale>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(ArticleSortingTest)
#include "ArticleSortingTest.moc"
