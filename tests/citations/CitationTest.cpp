#include "citations/Citation.h"
#include "citations/LinkUrl.h"

#include <QTest>

namespace {

using Key = ArticleRecord::Key;

const QString kElinkBase = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi"
                                          "?dbfrom=pubmed&retmode=ref&cmd=prlinks&retmode=ref");

struct Fields
{
    QList<AuthorEntry> authors{{QStringLiteral("Okafor"), QStringLiteral("NT")},
                               {QStringLiteral("Lindqvist"), QStringLiteral("E")},
                               {QStringLiteral("Marsh"), QStringLiteral("PJ")}};
    QString title = QStringLiteral("Tidal rhythms in the foraging of shore crabs.");
    QString journal = QStringLiteral("J Coast Ecol");
    QString year = QStringLiteral("2004");
    QString volume = QStringLiteral("12");
    QString issue = QStringLiteral("3");
    QString pages = QStringLiteral("211-9");
    QString pmid = QStringLiteral("99999999");
    QString doi = QStringLiteral("10.5555/jce.2004.0211");
    QString elinkBase = kElinkBase;
};

} // namespace

Q_DECLARE_METATYPE(Fields)

namespace {

ArticleRecord recordOf(const Fields &f)
{
    ArticleRecord::Builder builder;
    const auto set = [&](Key key, const QString &value) { builder.text(key) = value.toStdString(); };
    set(Key::Title, f.title);
    set(Key::Journal, f.journal);
    set(Key::Year, f.year);
    set(Key::Volume, f.volume);
    set(Key::Issue, f.issue);
    set(Key::Pages, f.pages);
    set(Key::PMID, f.pmid);
    set(Key::Doi, f.doi);
    set(Key::Abstract, QStringLiteral("An abstract that no citation shows."));
    for (const AuthorEntry &a : f.authors)
        builder.addAuthor(a.lastname.toStdString(), a.initials.toStdString());
    return builder.build(f.elinkBase.toStdString());
}

RichTextRun plain(const QString &text)
{
    return {text, QString()};
}

RichTextRun link(const QString &text, const QString &url)
{
    return {text, url};
}

QList<RichTextRun> linkRuns(const RichText &text)
{
    QList<RichTextRun> links;
    for (const RichTextRun &run : text.runs()) {
        if (run.isLink())
            links.append(run);
    }
    return links;
}

} // namespace

class CitationTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExampleWithDoi()
    {
        const ArticleRecord article = recordOf(Fields());
        QCOMPARE(citationStringForArticle(article),
                 QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. Tidal rhythms in the foraging of shore crabs. "
                                "J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999\nDOI: 10.5555/jce.2004.0211"));
        const QList<RichTextRun> expected{
            plain(QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. ")),
            plain(QStringLiteral("Tidal rhythms in the foraging of shore crabs.")),
            plain(QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999")),
            plain(QStringLiteral(" | DOI: ")),
            link(QStringLiteral("10.5555/jce.2004.0211"), QStringLiteral("https://doi.org/10.5555/jce.2004.0211")),
            plain(QStringLiteral("\n")),
            plain(QStringLiteral("\n")),
        };
        QCOMPARE(citationAStringForArticle(article, Endpoints()).runs(), expected);
    }

    void workedExampleWithoutDoi()
    {
        Fields fields;
        fields.doi.clear();
        const ArticleRecord article = recordOf(fields);
        const QString plainCitation = citationStringForArticle(article);
        QVERIFY(plainCitation.endsWith(QLatin1String("211-9. \nPMID: 99999999\nDOI: ")));
        const QList<RichTextRun> expected{
            plain(QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. ")),
            link(QStringLiteral("Tidal rhythms in the foraging of shore crabs."), kElinkBase + QLatin1String("&id=99999999")),
            plain(QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999")),
            plain(QStringLiteral("\n")),
            plain(QStringLiteral("\n")),
        };
        QCOMPARE(citationAStringForArticle(article, Endpoints()).runs(), expected);
    }

    // Each row: a change to the worked example, then the whole plain citation
    // and the characters of the rich one. The links are checked separately.
    void edgeCases_data()
    {
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("plainCitation");
        QTest::addColumn<QString>("richCharacters");

        const QString tail = QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999");
        const QString title = QStringLiteral("Tidal rhythms in the foraging of shore crabs.");
        Fields f;

        f = Fields();
        f.authors.clear();
        QTest::newRow("no authors") << f << QString(". " + title + tail + "\nDOI: 10.5555/jce.2004.0211")
                                    << QString(". " + title + tail + " | DOI: 10.5555/jce.2004.0211\n\n");

        f = Fields();
        f.authors = {{QStringLiteral("Okafor"), QStringLiteral("NT")}};
        f.doi.clear();
        QTest::newRow("one author, no doi") << f << QString("Okafor NT. " + title + tail + "\nDOI: ")
                                            << QString("Okafor NT. " + title + tail + "\n\n");

        f = Fields();
        f.authors = {{QStringLiteral("Okafor"), QString()}, {QStringLiteral("Lindqvist"), QStringLiteral("E")},
                     {QStringLiteral("Marsh"), QString()}};
        QTest::newRow("empty initials keep their space")
            << f << QString("Okafor , Lindqvist E, Marsh . " + title + tail + "\nDOI: 10.5555/jce.2004.0211")
            << QString("Okafor , Lindqvist E, Marsh . " + title + tail + " | DOI: 10.5555/jce.2004.0211\n\n");

        f = Fields();
        f.volume.clear();
        f.issue.clear();
        f.pages.clear();
        const QString noNumbers = QStringLiteral(" J Coast Ecol 2004;  (): . \nPMID: 99999999");
        QTest::newRow("empty volume, issue and pages")
            << f << QString("Okafor NT, Lindqvist E, Marsh PJ. " + title + noNumbers + "\nDOI: 10.5555/jce.2004.0211")
            << QString("Okafor NT, Lindqvist E, Marsh PJ. " + title + noNumbers + " | DOI: 10.5555/jce.2004.0211\n\n");

        f = Fields();
        f.authors = {{QStringLiteral("Ng"), QStringLiteral("K")}};
        f.title = QStringLiteral(" Padded title. ");
        f.journal = QStringLiteral("J. Ecol.");
        f.year = QStringLiteral("2017 Mar - Apr");
        f.pages = QStringLiteral("e0180707.");
        QTest::newRow("nothing trimmed or re-punctuated")
            << f
            << QStringLiteral("Ng K.  Padded title.  J. Ecol. 2017 Mar - Apr; 12 (3): e0180707.. \nPMID: 99999999\n"
                              "DOI: 10.5555/jce.2004.0211")
            << QStringLiteral("Ng K.  Padded title.  J. Ecol. 2017 Mar - Apr; 12 (3): e0180707.. \nPMID: 99999999"
                              " | DOI: 10.5555/jce.2004.0211\n\n");

        f = Fields();
        f.authors = {{QStringLiteral("Öztürk"), QStringLiteral("İ")}, {QStringLiteral("Παπαδόπουλος"), QStringLiteral("Γ")},
                     {QStringLiteral("王"), QStringLiteral("小明")}};
        f.title = QStringLiteral("Čas 😀 α-helix.");
        QTest::newRow("non-ASCII") << f
                                   << QString("Öztürk İ, Παπαδόπουλος Γ, 王 小明. Čas 😀 α-helix." + tail
                                              + "\nDOI: 10.5555/jce.2004.0211")
                                   << QString("Öztürk İ, Παπαδόπουλος Γ, 王 小明. Čas 😀 α-helix." + tail
                                              + " | DOI: 10.5555/jce.2004.0211\n\n");

        f = Fields();
        f.authors.clear();
        f.title.clear();
        f.journal.clear();
        f.year.clear();
        f.volume.clear();
        f.issue.clear();
        f.pages.clear();
        f.pmid.clear();
        f.doi.clear();
        QTest::newRow("every value empty") << f << QStringLiteral(".   ;  (): . \nPMID: \nDOI: ")
                                           << QStringLiteral(".   ;  (): . \nPMID: \n\n");
    }

    void edgeCases()
    {
        QFETCH(Fields, fields);
        QFETCH(QString, plainCitation);
        QFETCH(QString, richCharacters);
        const ArticleRecord article = recordOf(fields);

        const QString plainText = citationStringForArticle(article);
        QCOMPARE(plainText, plainCitation);
        QVERIFY(!plainText.endsWith(u'\n'));
        QCOMPARE(plainText.count(u'\n'), 2);

        const RichText rich = citationAStringForArticle(article, Endpoints());
        QCOMPARE(rich.toPlainText(), richCharacters);
        const QList<RichTextRun> &runs = rich.runs();
        QVERIFY(runs.size() >= 3);
        QCOMPARE(runs.last(), plain(QStringLiteral("\n")));
        QCOMPARE(runs.at(runs.size() - 2), plain(QStringLiteral("\n")));
        QCOMPARE(rich.toPlainText().contains(QLatin1String(" | DOI: ")), !fields.doi.isEmpty());

        // Exactly one link: the DOI when there is one, otherwise the title.
        QList<RichTextRun> expectedLinks;
        if (!fields.doi.isEmpty())
            expectedLinks.append(link(fields.doi, "https://doi.org/" + fields.doi));
        else if (!fields.title.isEmpty())
            expectedLinks.append(link(fields.title, kElinkBase + "&id=" + fields.pmid));
        QCOMPARE(linkRuns(rich), expectedLinks);
    }

    void anEmptyRecordStillCites()
    {
        const ArticleRecord empty;
        QCOMPARE(citationStringForArticle(empty), QStringLiteral(".   ;  (): . \nPMID: \nDOI: "));
        QCOMPARE(citationAStringForArticle(empty, Endpoints()).toPlainText(), QStringLiteral(".   ;  (): . \nPMID: \n\n"));
    }

    void linkRunsAndTheDoiUrl()
    {
        const ArticleRecord article = recordOf(Fields());
        Endpoints local;
        local.doiResolver = QUrl(QStringLiteral("http://127.0.0.1:8080/"));
        QCOMPARE(doiUrlForArticle(article, local), QStringLiteral("http://127.0.0.1:8080/10.5555/jce.2004.0211"));
        QCOMPARE(doiUrlForArticle(article, Endpoints()), QStringLiteral("https://doi.org/10.5555/jce.2004.0211"));

        QCOMPARE(urlDOIStringForArticle(article, local).runs(),
                 QList<RichTextRun>{link(QStringLiteral("10.5555/jce.2004.0211"),
                                         QStringLiteral("http://127.0.0.1:8080/10.5555/jce.2004.0211"))});
        // The title link exists whether or not the record has a DOI.
        QCOMPARE(urlAStringForArticle(article).runs(),
                 QList<RichTextRun>{link(QStringLiteral("Tidal rhythms in the foraging of shore crabs."),
                                         kElinkBase + QLatin1String("&id=99999999"))});
    }

    // A DOI that is not valid URL text still gives its citation; the link
    // carries the percent-encoded URL, the text and the plain citation the DOI.
    void doisThatAreNotUrls_data()
    {
        QTest::addColumn<QString>("doi");
        QTest::addColumn<QString>("linkPath");

        QTest::newRow("well formed") << QStringLiteral("10.1016/0005-2795(76)90109-4")
                                     << QStringLiteral("/10.1016/0005-2795(76)90109-4");
        QTest::newRow("space") << QStringLiteral("10.1000/a b") << QStringLiteral("/10.1000/a%20b");
        QTest::newRow("SICI with angle brackets")
            << QStringLiteral("10.1002/(SICI)1097-0274(199601)29:1<23::AID-AJIM4>3.0.CO;2-#")
            << QStringLiteral("/10.1002/(SICI)1097-0274(199601)29:1%3C23::AID-AJIM4%3E3.0.CO;2-#");
        QTest::newRow("SICI as serialised XML")
            << QStringLiteral("10.1002/(SICI)1097-0274(199601)29:1&lt;23::AID-AJIM4&gt;3.0.CO;2-#")
            << QStringLiteral("/10.1002/(SICI)1097-0274(199601)29:1&lt;23::AID-AJIM4&gt;3.0.CO;2-#");
        QTest::newRow("quote, backslash, braces") << QStringLiteral("10.1000/\"a\\b{c}|d")
                                                  << QStringLiteral("/10.1000/%22a%5Cb%7Bc%7D%7Cd");
        QTest::newRow("non-ASCII") << QStringLiteral("10.1000/é😀") << QStringLiteral("/10.1000/%C3%A9%F0%9F%98%80");
        QTest::newRow("stray percent") << QStringLiteral("10.1000/50%-off%2")
                                       << QStringLiteral("/10.1000/50%25-off%252");
        QTest::newRow("percent-encoded byte kept") << QStringLiteral("10.1000/a%2Fb") << QStringLiteral("/10.1000/a%2Fb");
    }

    void doisThatAreNotUrls()
    {
        QFETCH(QString, doi);
        QFETCH(QString, linkPath);
        Fields fields;
        fields.doi = doi;
        const ArticleRecord article = recordOf(fields);

        QVERIFY(citationStringForArticle(article).endsWith("\nDOI: " + doi));
        QCOMPARE(doiUrlForArticle(article, Endpoints()), "https://doi.org/" + doi);
        const RichText rich = citationAStringForArticle(article, Endpoints());
        QCOMPARE(linkRuns(rich), QList<RichTextRun>{link(doi, "https://doi.org" + linkPath)});
        QVERIFY(QUrl(linkRuns(rich).first().link, QUrl::StrictMode).isValid());
    }

    void aHyperlinkThatIsNotAUrl()
    {
        Fields fields;
        fields.doi.clear();
        fields.elinkBase = QStringLiteral("https://example.org/el ink?q=<x>");
        const RichText rich = citationAStringForArticle(recordOf(fields), Endpoints());
        QCOMPARE(linkRuns(rich), QList<RichTextRun>{link(fields.title, QStringLiteral(
                                                                           "https://example.org/el%20ink?q=%3Cx%3E&id=99999999"))});
    }

    void exportTextTakesRowsInAscendingOrder()
    {
        ArticleList articles;
        for (int i = 0; i < 4; ++i) {
            Fields fields;
            fields.pmid = QString::number(1000 + i);
            if (i % 2)
                fields.doi.clear();
            articles.append(recordOf(fields));
        }
        const Endpoints endpoints;
        RichText expected;
        expected.append(citationAStringForArticle(articles[1], endpoints));
        expected.append(citationAStringForArticle(articles[3], endpoints));
        // Picked in any order, repeated or out of range: rows 1 then 3, once each.
        const RichText text = exportTextForArticles(articles, {3, 1, 9, 1, -1}, endpoints);
        QCOMPARE(text.runs(), expected.runs());
        QVERIFY(text.toPlainText().contains(QLatin1String("PMID: 1001\n\nOkafor")));
        QVERIFY(text.toPlainText().endsWith(QLatin1String("PMID: 1003\n\n")));

        QVERIFY(exportTextForArticles(articles, {}, endpoints).isEmpty());
        RichText all;
        for (const ArticleRecord &article : articles)
            all.append(citationAStringForArticle(article, endpoints));
        QCOMPARE(exportTextForArticles(articles, endpoints).runs(), all.runs());
    }

    void encodedLinkUrlLeavesWellFormedUrlsAlone_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("elink") << kElinkBase + QLatin1String("&id=1");
        QTest::newRow("reserved characters") << QStringLiteral("https://h.example:8080/a;b=c/d?e=[f]&g=h+i,j*k!'$@#frag");
        QTest::newRow("encoded bytes") << QStringLiteral("https://h.example/%C3%A9%2f");
        QTest::newRow("empty") << QString();
    }

    void encodedLinkUrlLeavesWellFormedUrlsAlone()
    {
        QFETCH(QString, url);
        QCOMPARE(encodedLinkUrl(url), url);
    }
};

QTEST_APPLESS_MAIN(CitationTest)
#include "CitationTest.moc"
