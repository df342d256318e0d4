#include "citations/HtmlWriter.h"
#include "citations/LinkUrl.h"
#include "citations/PlainWriter.h"
#include "citations/RtfWriter.h"
#include "RtfReader.h"

#include <QRegularExpression>
#include <QTest>

namespace {

RichText richText(std::initializer_list<RichTextRun> runs)
{
    RichText text;
    for (const RichTextRun &run : runs) {
        if (run.isLink())
            text.appendLink(run.text, run.link);
        else
            text.append(run.text);
    }
    return text;
}

const QString kNonAscii = QStringLiteral("Öztürk İ, Dvořák Č, Παπαδόπουλος Γ, 王小明 (中文标题), café 😀 𝛼");

} // namespace

Q_DECLARE_METATYPE(RichText)

class RichTextWriterTest : public QObject
{
    Q_OBJECT

private slots:
    // Each text goes through the writer and back through a strict reader;
    // the characters and the links must come back as they went in.
    void rtfRoundTrip_data()
    {
        QTest::addColumn<RichText>("text");
        QTest::addColumn<RichText>("expected");

        const RichText citation = richText({
            {QStringLiteral("Okafor NT, Lindqvist E, Marsh PJ. "), {}},
            {QStringLiteral("Tidal rhythms in the foraging of shore crabs."), {}},
            {QStringLiteral(" J Coast Ecol 2004; 12 (3): 211-9. \nPMID: 99999999"), {}},
            {QStringLiteral(" | DOI: "), {}},
            {QStringLiteral("10.5555/jce.2004.0211"), QStringLiteral("https://doi.org/10.5555/jce.2004.0211")},
            {QStringLiteral("\n"), {}},
            {QStringLiteral("\n"), {}},
        });
        QTest::newRow("citation with a doi") << citation << citation;

        const RichText titleLink = richText({
            {QStringLiteral(". "), {}},
            {QStringLiteral("A title"), QStringLiteral("https://eutils.example/elink.fcgi?a=1&retmode=ref&id=5")},
            {QStringLiteral(" J 2004;  (): . \nPMID: 5\n\n"), {}},
        });
        QTest::newRow("title link, leading space kept") << titleLink << titleLink;

        const RichText nonAscii = richText({{kNonAscii, {}}, {kNonAscii, QStringLiteral("https://doi.org/10.1/x")}});
        QTest::newRow("non-ASCII in plain and link runs") << nonAscii << nonAscii;

        QTest::newRow("RTF syntax characters in text")
            << richText({{QStringLiteral("a\\b{c}d \\par {\\rtf1} \"q\" ;"), {}},
                         {QStringLiteral("{link}\\"), QStringLiteral("https://x.example/")}})
            << richText({{QStringLiteral("a\\b{c}d \\par {\\rtf1} \"q\" ;"), {}},
                         {QStringLiteral("{link}\\"), QStringLiteral("https://x.example/")}});

        QTest::newRow("URL needing escapes in the field")
            << richText({{QStringLiteral("doi"), QStringLiteral("https://doi.org/10.1/a\"b\\c{d}e f<g>é")}})
            << richText({{QStringLiteral("doi"), QStringLiteral("https://doi.org/10.1/a%22b%5Cc%7Bd%7De%20f%3Cg%3E%C3%A9")}});

        QTest::newRow("breaks and tabs")
            << richText({{QStringLiteral("a\r\nb\rc\td\n"), {}}, {QStringLiteral("two\nlines"), QStringLiteral("https://x.example/")}})
            << richText({{QStringLiteral("a\nb\nc\td\n"), {}}, {QStringLiteral("two\nlines"), QStringLiteral("https://x.example/")}});

        QTest::newRow("lone surrogate") << richText({{QString(QChar(0xD800)) + QLatin1String("x"), {}}})
                                        << richText({{QString(QChar(QChar::ReplacementCharacter)) + QLatin1String("x"), {}}});

        QTest::newRow("control characters") << richText({{QStringLiteral("a\x01\x1f\x7f" "b"), {}}})
                                            << richText({{QStringLiteral("a\x01\x1f\x7f" "b"), {}}});

        QTest::newRow("empty") << RichText() << RichText();
    }

    void rtfRoundTrip()
    {
        QFETCH(RichText, text);
        QFETCH(RichText, expected);
        const QByteArray rtf = RtfWriter::write(text);
        const RtfReadResult read = readRtf(rtf);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error + QLatin1String("\n") + QString::fromLatin1(rtf)));
        QCOMPARE(read.text.runs(), mergedRuns(expected).runs());
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

    void rtfEscapesAndFieldSyntax()
    {
        const RichText text = richText({
            {QStringLiteral("é α 中 😀 \\{}"), {}},
            {QStringLiteral("10.5555/jce.2004.0211"), QStringLiteral("https://doi.org/10.5555/jce.2004.0211")},
            {QStringLiteral("\n"), {}},
        });
        const QByteArray rtf = RtfWriter::write(text);
        QVERIFY(rtf.startsWith("{\\rtf1"));
        QVERIFY(rtf.endsWith('}'));
        QVERIFY(rtf.contains("{\\fonttbl"));
        // é U+00E9, α U+03B1, 中 U+4E2D; 😀 U+1F600 is the pair D83D DE00,
        // written as signed 16-bit numbers.
        QVERIFY(rtf.contains("\\u233?"));
        QVERIFY(rtf.contains("\\u945?"));
        QVERIFY(rtf.contains("\\u20013?"));
        QVERIFY(rtf.contains("\\u-10179?\\u-8704?"));
        QVERIFY(rtf.contains(" \\\\\\{\\}"));
        QVERIFY(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"https://doi.org/10.5555/jce.2004.0211\"}}"
                             "{\\fldrslt{10.5555/jce.2004.0211}}}"));
        QVERIFY(rtf.contains("\\par"));
        // Plain runs carry no character formatting of their own.
        for (const char *word : {"\\b", "\\i ", "\\ul", "\\cf", "\\fs1", "\\f1"})
            QVERIFY2(!rtf.contains(word), word);
    }

    void htmlEscapesTextAndAttributes()
    {
        const RichText text = richText({
            {QStringLiteral("Tom & Jerry <b>\"1\" 'x'</b>\nPMID: 1 | DOI: "), {}},
            {QStringLiteral("10.1/<a>&"), QStringLiteral("https://x.example/?a=1&b=<2>\"'")},
            {QStringLiteral("\r\n"), {}},
        });
        QCOMPARE(HtmlWriter::write(text),
                 QStringLiteral("Tom &amp; Jerry &lt;b&gt;&quot;1&quot; &#39;x&#39;&lt;/b&gt;<br>\nPMID: 1 | DOI: "
                                "<a href=\"https://x.example/?a=1&amp;b=&lt;2&gt;&quot;&#39;\">10.1/&lt;a&gt;&amp;</a><br>\n"));
    }

    void htmlKeepsNonAscii()
    {
        const RichText text = richText({{kNonAscii, {}}, {kNonAscii, QStringLiteral("https://doi.org/10.1/x")}});
        QCOMPARE(HtmlWriter::write(text), kNonAscii + "<a href=\"https://doi.org/10.1/x\">" + kNonAscii + "</a>");
    }

    void plainWriterGivesTheCharacters()
    {
        const RichText text = richText({{QStringLiteral("a "), {}}, {QStringLiteral("b"), QStringLiteral("https://x/")},
                                        {QStringLiteral("\n"), {}}});
        QCOMPARE(PlainWriter::write(text), QStringLiteral("a b\n"));
    }
};

QTEST_APPLESS_MAIN(RichTextWriterTest)
#include "RichTextWriterTest.moc"
