#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "entrez/ArticleExtractor.h"
#include "RtfReader.h"
#include "TestData.h"

#include <QDir>
#include <QTest>

namespace {

RichText richText(std::initializer_list<RichTextRun> runs)
{
    RichText text;
    for (const RichTextRun &run : runs) {
        if (run.isLink())
            text.appendLink(run.text, run.link, run.style);
        else
            text.append(run.text, run.style);
    }
    return text;
}

const QString kNonAscii = QStringLiteral("Öztürk İ, Dvořák Č, Παπαδόπουλος Γ, 王小明 (中文标题), café 😀 𝛼");
const QString kLink = QStringLiteral("https://x.example/");
constexpr TextStyles kItalic = TextStyle::Italic;
constexpr TextStyles kSup = TextStyle::Superscript;
constexpr TextStyles kSub = TextStyle::Subscript;

} // namespace

Q_DECLARE_METATYPE(RichText)

class RichTextWriterTest : public QObject
{
    Q_OBJECT

private slots:
    // Each text goes through the writer and back through the strict reader;
    // the characters and links must come back as they went in (or as
    // `expected`, where the writer has to change them).
    void rtfRoundTrip_data()
    {
        QTest::addColumn<RichText>("text");
        QTest::addColumn<RichText>("expected");

        QTest::newRow("non-ASCII in plain and link runs") << richText({{kNonAscii, {}}, {kNonAscii, kLink}}) << RichText();
        QTest::newRow("RTF syntax characters in text")
            << richText({{QStringLiteral("a\\b{c}d \\par {\\rtf1} \"q\" ;"), {}}, {QStringLiteral("{link}\\"), kLink}})
            << RichText();
        QTest::newRow("control characters") << richText({{QStringLiteral("a\x01\x1f\x7f" "b"), {}}}) << RichText();
        QTest::newRow("URL needing escapes in the field")
            << richText({{QStringLiteral("doi"), QStringLiteral("https://doi.org/10.1/a\"b\\c{d}e f<g>é")}})
            << richText({{QStringLiteral("doi"), QStringLiteral("https://doi.org/10.1/a%22b%5Cc%7Bd%7De%20f%3Cg%3E%C3%A9")}});
        QTest::newRow("breaks and tabs")
            << richText({{QStringLiteral("a\r\nb\rc\td\n"), {}}, {QStringLiteral("two\nlines"), kLink}})
            << richText({{QStringLiteral("a\nb\nc\td\n"), {}}, {QStringLiteral("two\nlines"), kLink}});
        QTest::newRow("lone surrogate") << richText({{QString(QChar(0xD800)) + QLatin1String("x"), {}}})
                                        << richText({{QString(QChar(QChar::ReplacementCharacter)) + QLatin1String("x"), {}}});
        QTest::newRow("empty") << RichText() << RichText();
        QTest::newRow("each style, and styles ending where their run ends")
            << richText({{QStringLiteral("CO"), {}}, {QStringLiteral("2"), {}, kSub}, {QStringLiteral(" at 10"), {}},
                         {QStringLiteral("\u2212" "6"), {}, kSup}, {QStringLiteral(" in "), {}},
                         {QStringLiteral("E. coli"), {}, kItalic}, {QStringLiteral("METHODS:"), {}, TextStyle::Bold},
                         {QStringLiteral(" done"), {}}})
            << RichText();
        QTest::newRow("combined styles, styled links, breaks and braces in a styled run")
            << richText({{QStringLiteral("a{\\}\nb"), {}, kItalic | TextStyle::Bold},
                         {QStringLiteral("x"), {}, kItalic | kSup},
                         {QStringLiteral("Title with "), kLink},
                         {QStringLiteral("H"), kLink, kItalic},
                         {QStringLiteral("2"), kLink, kItalic | kSub},
                         {QStringLiteral("1"), {}, TextStyle::Bold | kSub}})
            << RichText();

        // The export text of every record of every shared EFetch answer: real
        // citations with DOI and title links.
        const QDir dir(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"));
        const QStringList names = dir.entryList({QStringLiteral("*.xml")});
        if (names.isEmpty())
            failTestOnce(QStringLiteral("no EFetch answers in test data ") + dir.path());
        for (const QString &name : names) {
            const std::optional<QByteArray> answer = readTestData(dir.filePath(name));
            if (!answer)
                continue;
            ArticleList articles;
            QVERIFY(appendArticlesFromBytes(*answer, articles, elinkBaseUrl(Endpoints())) > 0);
            QTest::newRow(qPrintable(name)) << exportTextForArticles(articles, Endpoints()) << RichText();
        }
    }

    void rtfRoundTrip()
    {
        QFETCH(RichText, text);
        QFETCH(RichText, expected);
        const QByteArray rtf = RtfWriter::write(text);
        const RtfReadResult read = readRtf(rtf);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error + QLatin1String("\n") + QString::fromLatin1(rtf.left(2000))));
        QCOMPARE(read.runs, mergedRuns((expected.isEmpty() ? text : expected).runs()));
    }

    // The reader is the judge of the writer, so it must itself reject the
    // faults a writer could make.
    void readerRejectsBrokenRtf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        const QByteArray head = "{\\rtf1\\ansi\\uc1{\\fonttbl{\\f0 Helvetica;}}";
        QTest::newRow("unclosed group") << head + "text";
        QTest::newRow("extra closing brace") << head + "a}}";
        QTest::newRow("unescaped brace in text") << head + "a}b}";
        QTest::newRow("\\u without fallback") << head + "\\u233\\par}";
        QTest::newRow("\\u above 16 bits") << head + "\\u40000?}";
        QTest::newRow("raw non-ASCII byte") << head + "caf\xc3\xa9}";
        QTest::newRow("hex escape") << head + "caf\\'e9}";
        QTest::newRow("field without HYPERLINK") << head + "{\\field{\\*\\fldinst{URL \"x\"}}{\\fldrslt{t}}}}";
        QTest::newRow("quote inside the URL") << head + "{\\field{\\*\\fldinst{HYPERLINK \"a\"b\"}}{\\fldrslt{t}}}}";
        QTest::newRow("field without result") << head + "{\\field{\\*\\fldinst{HYPERLINK \"x\"}}}}";
        QTest::newRow("no font table") << QByteArray("{\\rtf1 text}");
    }

    void readerRejectsBrokenRtf()
    {
        QFETCH(QByteArray, rtf);
        QVERIFY(!readRtf(rtf).error.isEmpty());
    }

    void html_data()
    {
        QTest::addColumn<RichText>("text");
        QTest::addColumn<QString>("html");
        QTest::newRow("escapes in text and attribute")
            << richText({{QStringLiteral("Tom & Jerry <b>\"1\" 'x'</b>\nPMID: 1 | DOI: "), {}},
                         {QStringLiteral("10.1/<a>&"), QStringLiteral("https://x.example/?a=1&b=<2>\"'")},
                         {QStringLiteral("\r\n"), {}}})
            << QStringLiteral("Tom &amp; Jerry &lt;b&gt;&quot;1&quot; &#39;x&#39;&lt;/b&gt;<br>\nPMID: 1 | DOI: "
                              "<a href=\"https://x.example/?a=1&amp;b=&lt;2&gt;&quot;&#39;\">10.1/&lt;a&gt;&amp;</a><br>\n");
        QTest::newRow("styles nest, inside the link, escaped text within")
            << richText({{QStringLiteral("CO"), {}},
                         {QStringLiteral("2"), {}, kSub},
                         {QStringLiteral("<i>"), {}, kItalic | TextStyle::Bold | kSup},
                         {QStringLiteral("E. coli"), kLink, kItalic},
                         {QStringLiteral("x"), {}, kSup | kSub}})
            << QStringLiteral("CO<sub>2</sub><i><b><sup>&lt;i&gt;</sup></b></i>"
                              "<a href=\"https://x.example/\"><i>E. coli</i></a><sup><sub>x</sub></sup>");
        QTest::newRow("non-ASCII kept")
            << richText({{kNonAscii, {}}, {kNonAscii, QStringLiteral("https://doi.org/10.1/x")}})
            << QString(kNonAscii + "<a href=\"https://doi.org/10.1/x\">" + kNonAscii + "</a>");
    }

    void html()
    {
        QFETCH(RichText, text);
        QFETCH(QString, html);
        QCOMPARE(HtmlWriter::write(text), html);
    }
};

QTEST_APPLESS_MAIN(RichTextWriterTest)
#include "RichTextWriterTest.moc"
