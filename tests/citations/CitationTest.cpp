#include "citations/ArticleLinks.h"
#include "citations/Citation.h"
#include "citations/LinkUrl.h"
#include "citations/ProxyLink.h"

#include <QTest>

namespace {

using Key = ArticleRecord::Key;

const QString kElinkBase = QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/elink.fcgi"
                                          "?dbfrom=pubmed&retmode=ref&cmd=prlinks&retmode=ref");
const QString kTitle = QStringLiteral("Tidal rhythms in the foraging of shore crabs.");
const QString kDoi = QStringLiteral("10.5555/jce.2004.0211");

// The worked example; each test changes what it needs.
struct Fields
{
    QList<AuthorEntry> authors{{QStringLiteral("Okafor"), QStringLiteral("NT")},
                               {QStringLiteral("Lindqvist"), QStringLiteral("E")},
                               {QStringLiteral("Marsh"), QStringLiteral("PJ")}};
    QString title = kTitle;
    QString journal = QStringLiteral("J Coast Ecol");
    QString year = QStringLiteral("2004");
    QString volume = QStringLiteral("12");
    QString issue = QStringLiteral("3");
    QString pages = QStringLiteral("211-9");
    QString pmid = QStringLiteral("99999999");
    QString doi = kDoi;
    QString pmcid;
    QString retracted;
    QString retractionIn;
    QString elinkBase = kElinkBase;
};

} // namespace

Q_DECLARE_METATYPE(Fields)

namespace {

ArticleRecord recordOf(const Fields &f)
{
    ArticleRecord::Builder builder;
    const std::pair<Key, QString> values[] = {{Key::Title, f.title}, {Key::Journal, f.journal}, {Key::Year, f.year},
                                              {Key::Volume, f.volume}, {Key::Issue, f.issue}, {Key::Pages, f.pages},
                                              {Key::PMID, f.pmid}, {Key::Doi, f.doi}, {Key::Pmcid, f.pmcid},
                                              {Key::Retracted, f.retracted}, {Key::RetractionIn, f.retractionIn},
                                              {Key::Abstract, QStringLiteral("An abstract that no citation shows.")}};
    for (const auto &[key, value] : values)
        builder.text(key) = value.toStdString();
    for (const AuthorEntry &a : f.authors)
        builder.addAuthor(a.lastname.toStdString(), a.initials.toStdString(), {}, a.collective, a.suffix.toStdString());
    return builder.build(f.elinkBase.toStdString());
}

RichTextRun plain(const QString &text)
{
    return {text, QString()};
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
    // The worked example, character for character and run for run: the DOI
    // linked when there is one, otherwise the title.
    void workedExample_data()
    {
        QTest::addColumn<QString>("doi");
        QTest::addColumn<QString>("plainCitation");
        QTest::addColumn<QList<RichTextRun>>("runs");
        const QString authors = QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. ");
        const QString journal = QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999");
        const QString plainText = QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. Tidal rhythms in the foraging of shore crabs. "
                                                 "J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999\nDOI: ");
        QTest::newRow("with doi") << kDoi << plainText + kDoi
                                  << QList<RichTextRun>{plain(authors), plain(kTitle), plain(journal), plain(QStringLiteral(" | DOI: ")),
                                                        {kDoi, QStringLiteral("https://doi.org/10.5555/jce.2004.0211")},
                                                        plain(QStringLiteral("\n")), plain(QStringLiteral("\n"))};
        QTest::newRow("without doi") << QString() << plainText.chopped(6)
                                     << QList<RichTextRun>{plain(authors), {kTitle, kElinkBase + QLatin1String("&id=99999999")},
                                                           plain(journal), plain(QStringLiteral("\n")), plain(QStringLiteral("\n"))};
    }
    void workedExample()
    {
        QFETCH(QString, doi);
        QFETCH(QString, plainCitation);
        QFETCH(QList<RichTextRun>, runs);
        Fields fields;
        fields.doi = doi;
        const ArticleRecord article = recordOf(fields);
        QCOMPARE(citationStringForArticle(article), plainCitation);
        QCOMPARE(citationAStringForArticle(article, Endpoints()).runs(), runs);
    }

    // Each row: a change to the worked example, the whole plain citation and
    // the characters of the rich one (its runs follow the worked examples).
    void edgeCases_data()
    {
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("plainCitation");
        QTest::addColumn<QString>("richCharacters");

        const QString tail = QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999");
        const QString doiLine = QStringLiteral("\nDOI: 10.5555/jce.2004.0211");
        const QString doiRun = QStringLiteral(" | DOI: 10.5555/jce.2004.0211\n\n");
        Fields f;
        f.authors.clear();
        QTest::newRow("no authors") << f << kTitle + tail + doiLine << kTitle + tail + doiRun;

        f = Fields();
        f.authors = {{QStringLiteral("Okafor"), QStringLiteral("NT")}};
        f.doi.clear();
        QTest::newRow("one author, no doi") << f << "Okafor NT. " + kTitle + tail
                                            << "Okafor NT. " + kTitle + tail + "\n\n";

        f = Fields();
        f.authors = {{QStringLiteral("Okafor"), QString()}, {QStringLiteral("Lindqvist"), QStringLiteral("E"), false, "Jr"},
                     {QStringLiteral("Marsh"), QString()}};
        const QString spaced = QStringLiteral("Okafor, Lindqvist E Jr, Marsh. ") + kTitle + tail;
        QTest::newRow("empty initials leave no space, a suffix follows") << f << spaced + doiLine << spaced + doiRun;

        f = Fields();
        f.authors = {{QStringLiteral("Okafor"), QStringLiteral("NT")}, {QStringLiteral("CMS Collaboration"), QString(), true},
                     {QStringLiteral("Marsh"), QStringLiteral("PJ")}};
        const QString group = QStringLiteral("Okafor NT, CMS Collaboration, Marsh PJ. ") + kTitle + tail;
        QTest::newRow("a group author is a name") << f << group + doiLine << group + doiRun;
        f.authors = {{QStringLiteral("CMS Collaboration"), QString(), true}};
        QTest::newRow("a group alone") << f << "CMS Collaboration. " + kTitle + tail + doiLine
                                       << "CMS Collaboration. " + kTitle + tail + doiRun;

        // An empty part goes with its punctuation.
        using Part = QString Fields::*;
        const std::pair<const char *, QList<Part>> emptyParts[] = {
            {" J Coast Ecol 2004; 12: 211-9. ", {&Fields::issue}},
            {" J Coast Ecol 2004; 12 (3). ", {&Fields::pages}},
            {" J Coast Ecol 2004. ", {&Fields::volume, &Fields::issue, &Fields::pages}},
            {" 2004; (3): 211-9. ", {&Fields::journal, &Fields::volume}}};
        for (const auto &[source, parts] : emptyParts) {
            f = Fields();
            for (const Part part : parts)
                (f.*part).clear();
            const QString cited = "Okafor NT, Lindqvist E, Marsh PJ. " + kTitle + source + "\nPMID: 99999999";
            QTest::newRow(source) << f << cited + doiLine << cited + doiRun;
        }

        f = Fields();
        f.authors = {{QStringLiteral("Ng"), QStringLiteral("K")}};
        f.title = QStringLiteral(" Padded title. ");
        f.journal = QStringLiteral("J. Ecol.");
        f.year = QStringLiteral("2017 Mar - Apr");
        f.pages = QStringLiteral("e0180707.");
        const QString untouched = QStringLiteral("Ng K.  Padded title.  J. Ecol. 2017 Mar - Apr; 12 (3): e0180707.. \nPMID: 99999999");
        QTest::newRow("nothing trimmed or re-punctuated") << f << untouched + doiLine << untouched + doiRun;

        f = Fields();
        f.authors = {{QStringLiteral("Öztürk"), QStringLiteral("İ")}, {QStringLiteral("Παπαδόπουλος"), QStringLiteral("Γ")},
                     {QStringLiteral("王"), QStringLiteral("小明")}};
        f.title = QStringLiteral("Čas 😀 α-helix.");
        const QString nonAscii = QStringLiteral("Öztürk İ, Παπαδόπουλος Γ, 王 小明. Čas 😀 α-helix.") + tail;
        QTest::newRow("non-ASCII") << f << nonAscii + doiLine << nonAscii + doiRun;

        // A retracted article says so last, naming the notice when it can.
        f = Fields();
        f.retracted = QStringLiteral("yes");
        f.retractionIn = QStringLiteral("J Hand Cases. 2021;2:5");
        const QString cited = "Okafor NT, Lindqvist E, Marsh PJ. " + kTitle + tail;
        const QString notice = QStringLiteral("\nRetraction in: J Hand Cases. 2021;2:5.");
        QTest::newRow("retracted, notice named") << f << cited + doiLine + notice << cited + doiRun.chopped(2) + notice + "\n\n";
        f.retractionIn.clear();
        f.doi.clear();
        QTest::newRow("retracted, no notice") << f << cited + "\n[Retracted]." << cited + "\n[Retracted].\n\n";
    }

    void edgeCases()
    {
        QFETCH(Fields, fields);
        QFETCH(QString, plainCitation);
        QFETCH(QString, richCharacters);
        const ArticleRecord article = recordOf(fields);
        QCOMPARE(citationStringForArticle(article), plainCitation);
        QCOMPARE(citationAStringForArticle(article, Endpoints()).toPlainText(), richCharacters);
    }

    // Inline styles of the title reach the rich citation, linked or not;
    // the plain citation keeps the characters alone.
    void styledTitle()
    {
        Fields fields;
        fields.title = QStringLiteral("CO2 in E. coli");
        for (const bool withDoi : {true, false}) {
            fields.doi = withDoi ? kDoi : QString();
            ArticleRecord::Builder builder;
            builder.text(Key::Title) = fields.title.toStdString();
            builder.text(Key::PMID) = fields.pmid.toStdString();
            builder.text(Key::Doi) = fields.doi.toStdString();
            builder.addStyle(Key::Title, 2, 3, TextStyle::Subscript);
            builder.addStyle(Key::Title, 7, 14, TextStyle::Italic);
            const ArticleRecord article = builder.build(kElinkBase.toStdString());
            const QString link = withDoi ? QString() : kElinkBase + QLatin1String("&id=99999999");
            const QList<RichTextRun> title{{QStringLiteral("CO"), link},
                                           {QStringLiteral("2"), link, TextStyle::Subscript},
                                           {QStringLiteral(" in "), link},
                                           {QStringLiteral("E. coli"), link, TextStyle::Italic}};
            QCOMPARE(citationAStringForArticle(article, Endpoints()).runs().mid(0, 4), title);
            QCOMPARE(urlAStringForArticle(article).runs().size(), 4);
            QVERIFY(citationStringForArticle(article).startsWith(QLatin1String("CO2 in E. coli\nPMID: ")));
            // The views' citation: the plain citation's characters, the title styled, no links.
            const RichText styled = styledCitationForArticle(article);
            QCOMPARE(styled.toPlainText(), citationStringForArticle(article));
            QCOMPARE(styled.runs().mid(0, 4), (QList<RichTextRun>{{QStringLiteral("CO"), QString()},
                                                                  {QStringLiteral("2"), {}, TextStyle::Subscript},
                                                                  {QStringLiteral(" in "), QString()},
                                                                  {QStringLiteral("E. coli"), {}, TextStyle::Italic}}));
        }
    }

    void anEmptyRecordCitesNothing()
    {
        const ArticleRecord empty;
        QCOMPARE(citationStringForArticle(empty), QString());
        // No punctuation left over, no title run and no link: only the end of the entry.
        QCOMPARE(citationAStringForArticle(empty, Endpoints()).runs(),
                 (QList<RichTextRun>{plain(QStringLiteral("\n")), plain(QStringLiteral("\n"))}));
    }

    void linkRunsAndTheDoiUrl()
    {
        const ArticleRecord article = recordOf(Fields());
        Endpoints local;
        local.doiResolver = QUrl(QStringLiteral("http://127.0.0.1:8080/"));
        QCOMPARE(doiUrlForArticle(article, local), QStringLiteral("http://127.0.0.1:8080/10.5555/jce.2004.0211"));
        QCOMPARE(urlDOIStringForArticle(article, local).runs(),
                 (QList<RichTextRun>{{kDoi, QStringLiteral("http://127.0.0.1:8080/10.5555/jce.2004.0211")}}));
        // The title link exists whether or not the record has a DOI.
        QCOMPARE(urlAStringForArticle(article).runs(), (QList<RichTextRun>{{kTitle, kElinkBase + QLatin1String("&id=99999999")}}));
    }

    // Link URLs are handed on as they are when they are valid URL text, and
    // percent-encoded (as UTF-8) where they are not.
    void encodedLinkUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("encoded"); // none: the URL stays as it is
        const QString doi = QStringLiteral("https://doi.org/");
        QTest::newRow("elink") << kElinkBase + "&id=1" << QString();
        QTest::newRow("reserved characters") << QStringLiteral("https://h.example:8080/a;b=c/d?e=[f]&g=h+i,j*k!'$@#frag") << QString();
        QTest::newRow("encoded bytes kept") << QStringLiteral("https://h.example/%C3%A9%2f") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("SICI as serialised XML") << doi + "10.1002/(SICI)1097-0274(199601)29:1&lt;23::AID-AJIM4&gt;3.0.CO;2-#" << QString();
        QTest::newRow("space") << doi + "10.1000/a b" << doi + "10.1000/a%20b";
        QTest::newRow("SICI with angle brackets") << doi + "10.1002/(SICI)1097-0274(199601)29:1<23::AID-AJIM4>3.0.CO;2-#"
                                                  << doi + "10.1002/(SICI)1097-0274(199601)29:1%3C23::AID-AJIM4%3E3.0.CO;2-#";
        QTest::newRow("quote, backslash, braces") << doi + "10.1000/\"a\\b{c}|d" << doi + "10.1000/%22a%5Cb%7Bc%7D%7Cd";
        QTest::newRow("non-ASCII") << doi + "10.1000/é😀" << doi + "10.1000/%C3%A9%F0%9F%98%80";
        QTest::newRow("stray percent") << doi + "10.1000/50%-off%2" << doi + "10.1000/50%25-off%252";
    }

    void encodedLinkUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, encoded);
        if (encoded.isNull())
            encoded = url;
        QCOMPARE(::encodedLinkUrl(url), encoded);
        QVERIFY(url.isEmpty() || QUrl(encoded, QUrl::StrictMode).isValid());
    }

    // The resolver gets the whole DOI: what a URL path may not hold is
    // encoded, so nothing is cut off as a fragment or a query.
    void doiUrlCarriesTheWholeDoi_data()
    {
        QTest::addColumn<QString>("doi");
        QTest::addColumn<QString>("path");
        // Real DOIs: the Wiley SICI one of PMID 28786991 in the test data, and
        // one whose parentheses a path allows.
        QTest::newRow("SICI with # and angle brackets") << QStringLiteral("10.1002/(SICI)1097-0274(199601)29:1<23::AID-AJIM4>3.0.CO;2-#")
                                                        << QStringLiteral("/10.1002/(SICI)1097-0274(199601)29:1%3C23::AID-AJIM4%3E3.0.CO;2-%23");
        QTest::newRow("parentheses stay") << QStringLiteral("10.1016/0005-2795(76)90109-4")
                                          << QStringLiteral("/10.1016/0005-2795(76)90109-4");
        // Hand-made: each character that would cut or change the path.
        QTest::newRow("question mark") << QStringLiteral("10.1000/a?b=c") << QStringLiteral("/10.1000/a%3Fb=c");
        QTest::newRow("percent, even before hex digits") << QStringLiteral("10.1000/50%2Fx") << QStringLiteral("/10.1000/50%252Fx");
        QTest::newRow("space and quote") << QStringLiteral("10.1000/a \"b\"") << QStringLiteral("/10.1000/a%20%22b%22");
        QTest::newRow("brackets, backslash, non-ASCII") << QStringLiteral("10.1000/[x]\\é") << QStringLiteral("/10.1000/%5Bx%5D%5C%C3%A9");
    }
    void doiUrlCarriesTheWholeDoi()
    {
        QFETCH(QString, doi);
        QFETCH(QString, path);
        Fields fields;
        fields.doi = doi;
        const ArticleRecord article = recordOf(fields);
        const QString url = doiUrlForArticle(article, Endpoints());
        QCOMPARE(url, QStringLiteral("https://doi.org") + path);
        QCOMPARE(urlDOIStringForArticle(article, Endpoints()).runs(), (QList<RichTextRun>{{doi, url}}));
        const QUrl parsed(url, QUrl::StrictMode);
        QVERIFY(parsed.isValid());
        QVERIFY(!parsed.hasFragment() && !parsed.hasQuery());
        QCOMPARE(parsed.path(QUrl::FullyDecoded), QLatin1Char('/') + doi);
        // Encoding it again for a link changes nothing.
        QCOMPARE(::encodedLinkUrl(url), url);
    }

    // A DOI or hyperlink that is not valid URL text still gives its citation:
    // the link carries the encoded URL, the text and plain citation the DOI.
    void linksThatAreNotUrls()
    {
        Fields fields;
        fields.doi = QStringLiteral("10.1000/a b<c>");
        ArticleRecord article = recordOf(fields);
        QVERIFY(citationStringForArticle(article).endsWith("\nDOI: " + fields.doi));
        QCOMPARE(doiUrlForArticle(article, Endpoints()), QStringLiteral("https://doi.org/10.1000/a%20b%3Cc%3E"));
        QCOMPARE(linkRuns(citationAStringForArticle(article, Endpoints())),
                 (QList<RichTextRun>{{fields.doi, QStringLiteral("https://doi.org/10.1000/a%20b%3Cc%3E")}}));

        fields.doi.clear();
        fields.elinkBase = QStringLiteral("https://example.org/el ink?q=<x>");
        article = recordOf(fields);
        QCOMPARE(linkRuns(citationAStringForArticle(article, Endpoints())),
                 (QList<RichTextRun>{{kTitle, QStringLiteral("https://example.org/el%20ink?q=%3Cx%3E&id=99999999")}}));
    }

    // A pasted proxy template is used only when it is an http or https
    // address with "%@" after its host; the DOI URL goes in as one query
    // value, so it can add no parameter of its own.
    void proxyTemplates_data()
    {
        QTest::addColumn<QString>("proxyTemplate");
        QTest::addColumn<QString>("doiUrl");
        QTest::addColumn<QString>("opened");
        const QString doi = QStringLiteral("https://doi.org/10.1/x");
        const QString encoded = QStringLiteral("https%3A%2F%2Fdoi.org%2F10.1%2Fx");
        const QString login = QStringLiteral("https://login.proxy.example/login?url=%@");
        QTest::newRow("login") << login << doi << "https://login.proxy.example/login?url=" + encoded;
        QTest::newRow("DOI adding a parameter") << login << doi + "&url=https://evil.example#"
                                                << "https://login.proxy.example/login?url=" + encoded
                                                       + "%26url%3Dhttps%3A%2F%2Fevil.example%23";
        QTest::newRow("first %@ only, other % kept") << "HTTP://p.example/%@?a=%@&b=%d" << doi
                                                     << "HTTP://p.example/" + encoded + "?a=%@&b=%d";
        QTest::newRow("user and port") << "https://me@p.example:8443?u=%@" << doi << "https://me@p.example:8443?u=" + encoded;
        QTest::newRow("javascript") << "javascript:alert(1)//%@" << doi << doi;
        QTest::newRow("file") << "file:///tmp/%@" << doi << doi;
        QTest::newRow("%@ as the host") << "https://%@" << doi << doi;
        QTest::newRow("%@ in the host") << "https://p.example%@/login" << doi << doi;
        QTest::newRow("%@ after user") << "https://p.example@%@/" << doi << doi;
        QTest::newRow("no host") << "https:///login?url=%@" << doi << doi;
        QTest::newRow("space in the host") << "https://p example/?u=%@" << doi << doi;
        QTest::newRow("no %@") << "https://p.example/login" << doi << doi;
        QTest::newRow("empty") << QString() << doi << doi;
    }
    void proxyTemplates()
    {
        QFETCH(QString, proxyTemplate);
        QFETCH(QString, doiUrl);
        QFETCH(QString, opened);
        QCOMPARE(proxiedUrl(proxyTemplate, doiUrl), opened);
        QCOMPARE(proxyTemplateProblem(proxyTemplate).isEmpty(), opened != doiUrl);
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
        QVERIFY(exportTextForArticles(articles, {}, endpoints).isEmpty());
    }

    // An article's PubMed and PMC pages: only a PMID or PMCID of the right
    // shape makes one, so nothing else from an answer reaches the URL.
    void articlePages_data()
    {
        QTest::addColumn<QString>("pmid");
        QTest::addColumn<QString>("pmcid");
        QTest::addColumn<QString>("pubmed");
        QTest::addColumn<QString>("pmc");
        QTest::newRow("both") << "30107788" << "PMC6092796" << "https://pubmed.ncbi.nlm.nih.gov/30107788/"
                              << "https://pmc.ncbi.nlm.nih.gov/articles/PMC6092796/";
        QTest::newRow("no PMCID") << "1" << "" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("no PMID") << "" << "PMC1" << "" << "https://pmc.ncbi.nlm.nih.gov/articles/PMC1/";
        QTest::newRow("ten digits") << "1234567890" << "PMC1234567890" << "https://pubmed.ncbi.nlm.nih.gov/1234567890/"
                                    << "https://pmc.ncbi.nlm.nih.gov/articles/PMC1234567890/";
        QTest::newRow("eleven digits") << "1" << "PMC12345678901" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("prefix alone") << "1" << "PMC" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("lower case") << "1" << "pmc123" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("digits alone") << "1" << "6092796" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("path and query") << "1" << "PMC1/../x?y#z" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
        QTest::newRow("markup") << "1" << "PMC1\"><b>" << "https://pubmed.ncbi.nlm.nih.gov/1/" << "";
    }
    void articlePages()
    {
        QFETCH(QString, pmid);
        QFETCH(QString, pmcid);
        QFETCH(QString, pubmed);
        QFETCH(QString, pmc);
        Fields fields;
        fields.pmid = pmid;
        fields.pmcid = pmcid;
        const ArticleRecord article = recordOf(fields);
        QCOMPARE(pubmedUrlForArticle(article, Endpoints()), pubmed);
        QCOMPARE(pmcUrlForArticle(article, Endpoints()), pmc);
    }

    // Copy PMID and Copy DOI: one value per line, articles without one left out.
    void pmidAndDoiLines()
    {
        ArticleList articles;
        const std::pair<const char *, const char *> ids[] = {
            {"30107788", "10.1186/s12874-018-0545-3"}, {"12091962", ""}, {"9997", "10.1016/0005-2795(76)90109-4"}};
        for (const auto &[pmid, doi] : ids) {
            Fields fields;
            fields.pmid = QLatin1String(pmid);
            fields.doi = QLatin1String(doi);
            articles.append(recordOf(fields));
        }
        QCOMPARE(pmidLines(articles), QStringLiteral("30107788\n12091962\n9997"));
        QCOMPARE(doiLines(articles), QStringLiteral("10.1186/s12874-018-0545-3\n10.1016/0005-2795(76)90109-4"));
        QCOMPARE(doiLines(articles.mid(1, 1)), QString());
        QCOMPARE(pmidLines({}), QString());
    }
};

QTEST_APPLESS_MAIN(CitationTest)
#include "CitationTest.moc"
