#include "entrez/ResponseCleanup.h"
#include "entrez/XmlRepair.h"
#include "entrez/XmlText.h"

#include <QTest>

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
const std::string kSetClose = "</PubmedArticleSet>";

QByteArray bytes(const std::string &s)
{
    return QByteArray::fromStdString(s);
}

} // namespace

class ResponseCleanupTest : public QObject
{
    Q_OBJECT

private slots:
    void replacementPasses_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("escaped tag") << QByteArray("a &lt;i&gt;b&lt;/i&gt; c") << QByteArray("a <i>b</i> c");
        QTest::newRow("quotes") << QByteArray("&quot;x&quot;") << QByteArray("\"x\"");
        QTest::newRow("doubly escaped ampersand") << QByteArray("&amp;amp;") << QByteArray("&amp;");
        QTest::newRow("doubly escaped entity") << QByteArray("&amp;amp;lt;") << QByteArray("&amp;lt;");
        QTest::newRow("singly escaped entity stays") << QByteArray("&amp;lt; &amp;gt;") << QByteArray("&amp;lt; &amp;gt;");
        QTest::newRow("triply escaped") << QByteArray("&amp;amp;amp;") << QByteArray("&amp;amp;");
        QTest::newRow("other references untouched") << QByteArray("&apos; &#60; &amp; &#x3C;") << QByteArray("&apos; &#60; &amp; &#x3C;");
        QTest::newRow("no new match across a replacement") << QByteArray("&&lt;lt;") << QByteArray("&<lt;");
        QTest::newRow("cut at the end") << QByteArray("x &lt") << QByteArray("x &lt");
        QTest::newRow("all four among text") << QByteArray("&&quot;a&amp;amp;&gt;&lt&lt;;&amp;amp;amp;&quot")
                                             << QByteArray("&\"a&amp;>&lt<;&amp;amp;&quot");
    }
    // The four passes in order, each over the result of the one before and
    // never rescanning its own output, done in one scan of the buffer.
    void replacementPasses()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        input.resize(qsizetype(replaceResponseEntities(input.data(), size_t(input.size()))));
        QCOMPARE(input, expected);
    }

    // The envelope: from the first "<?xml" to the first closing tag after it.
    // A document holding the one Count 7, or nothing.
    void envelope_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("found");
        const std::string body = "<eSearchResult><Count>7</Count></eSearchResult>";
        QTest::newRow("plain") << bytes(kDecl + body) << true;
        QTest::newRow("byte-order mark and blanks first") << bytes("\xEF\xBB\xBF \r\n\t" + kDecl + body) << true;
        QTest::newRow("stray line first") << bytes("Status: 200\n" + kDecl + body) << true;
        QTest::newRow("second document after")
            << bytes(kDecl + body + "\n" + kDecl + "<eSearchResult><Count>9</Count><Bad></eSearchResult>") << true;
        QTest::newRow("closing tag twice") << bytes(kDecl + body + "</eSearchResult>trailing") << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("no declaration") << bytes(body) << true;
        QTest::newRow("no declaration, a line first") << bytes("saved by a tool\n" + body) << true;
        QTest::newRow("no closing tag") << bytes(kDecl + "<eSearchResult><Count>7</Count>") << false;
        QTest::newRow("closing tag only before the declaration")
            << bytes("<eSearchResult></eSearchResult>" + kDecl + "<eSearchResult><Count>7</Count>") << false;
        QTest::newRow("HTML error page") << QByteArray("<html><body><h1>429 Too Many Requests</h1></body></html>") << false;
        QTest::newRow("no element") << bytes(kDecl + "just text</eSearchResult>") << false;
    }
    void envelope()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, found);
        const auto document = XMLDocumentForResponse(text.toStdString(), "</eSearchResult>");
        QCOMPARE(bool(document), found);
        if (!found)
            return;
        QCOMPARE(std::string(document->root().name()), std::string("eSearchResult"));
        QCOMPARE(stringValue(document->root()), std::string("7"));
        QCOMPARE(std::distance(document->root().begin(), document->root().end()), 1);
    }

    void sizeLimitRefusesBeforeParsing()
    {
        const std::string text = kDecl + "<eSearchResult><Count>1</Count></eSearchResult>";
        QVERIFY(XMLDocumentForResponse(text, "</eSearchResult>", text.size()));
        QVERIFY(!XMLDocumentForResponse(text, "</eSearchResult>", text.size() - 1));
        QVERIFY(!CleanedResponse::fromBytes(bytes(text), "</eSearchResult>", text.size() - 1));
    }

    // Each input is repaired to the expected text (none: the input is
    // well-formed and passes unchanged), which pugixml parses.
    void repair_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("declaration and DOCTYPE")
            << QByteArray("<?xml version=\"1.0\" ?>\n<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, "
                          "1st January 2025//EN\" \"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n"
                          "<PubmedArticleSet><PubmedArticle/></PubmedArticleSet>") << QByteArray();
        QTest::newRow("internal subset")
            << QByteArray("<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ATTLIST r a CDATA \"x>y\"><!-- c > -->]><r/>") << QByteArray();
        QTest::newRow("comments, PIs, CDATA")
            << QByteArray("<!-- a < b --><?pi data?><r><![CDATA[<not a tag> & ]]><!----><?x?></r><!-- end -->\n") << QByteArray();
        QTest::newRow("references and attributes")
            << QByteArray("<r a='1' b = \"&lt;&#x10FFFF;&#9;\">&amp;&apos;&quot;&#233;&gt;></r>") << QByteArray();
        QTest::newRow("names") << QByteArray("<mml:math xmlns:mml=\"u\"><a-b.c_d>x</a-b.c_d><\xC3\xA9t\xC3\xA9/></mml:math>") << QByteArray();
        QTest::newRow("stray <") << QByteArray("<r>P < 0.001 and a<b</r>") << QByteArray("<r>P &lt; 0.001 and a&lt;b</r>");
        QTest::newRow("stray < at the end") << QByteArray("<r>x<") << QByteArray("<r>x&lt;</r>");
        QTest::newRow("stray &") << QByteArray("<r>R&D &nbsp; &#0; &#xD800; &#1114112; &#; &</r>")
                                 << QByteArray("<r>R&amp;D &amp;nbsp; &amp;#0; &amp;#xD800; &amp;#1114112; &amp;#; &amp;</r>");
        QTest::newRow("bare quotes in a value")
            << QByteArray("<r><a t=\"say \"hi\" now\" u=\"1\">x</a></r>")
            << QByteArray("<r><a t=\"say &quot;hi&quot; now\" u=\"1\">x</a></r>");
        QTest::newRow("bare quote before the end of the tag")
            << QByteArray("<r><a t=\"\"quoted\"\"/></r>") << QByteArray("<r><a t=\"&quot;quoted&quot;\"/></r>");
        QTest::newRow("& in a value") << QByteArray("<r a=\"x & y\"/>") << QByteArray("<r a=\"x &amp; y\"/>");
        QTest::newRow("< in a value is text") << QByteArray("<r><a t=\"1<2\">x</a></r>")
                                              << QByteArray("<r><a t=\"1&lt;2\">x</a></r>");
        QTest::newRow("a tag in a value makes the tag text")
            << QByteArray("<r><a t=\"1<b>\">x</a></r>") << QByteArray("<r>&lt;a t=\"1<b>\">x</b></r>");
        // A quote glued to the next attribute cannot close the value, so the
        // element survives with one odd value rather than becoming text.
        QTest::newRow("attributes without space") << QByteArray("<r><a x=\"1\"y=\"2\">t</a></r>")
                                                  << QByteArray("<r><a x=\"1&quot;y=&quot;2\">t</a></r>");
        QTest::newRow("unclosed inline") << QByteArray("<r><t><i>x</t></r>") << QByteArray("<r><t><i>x</i></t></r>");
        QTest::newRow("mismatched inline") << QByteArray("<r><i>a<b>b</i>c</b></r>") << QByteArray("<r><i>a<b>b</b></i>c</r>");
        QTest::newRow("unmatched end tag") << QByteArray("<r>a</x>b</r >") << QByteArray("<r>ab</r >");
        QTest::newRow("open at the end") << QByteArray("<r><a><b>text") << QByteArray("<r><a><b>text</b></a></r>");
        QTest::newRow("text and elements outside the root")
            << QByteArray("junk <!DOCTYPE r><r/> tail<x>y</x><!--c-->") << QByteArray("<!DOCTYPE r><r/><!--c-->");
        QTest::newRow("second DOCTYPE and CDATA outside") << QByteArray("<!DOCTYPE r><!DOCTYPE s><![CDATA[x]]><r/>")
                                                          << QByteArray("<!DOCTYPE r><r/>");
        QTest::newRow("unterminated comment, CDATA and PI")
            << QByteArray("<r><!-- x <![CDATA[ y <?pi z</r>") << QByteArray("<r>&lt;!-- x &lt;![CDATA[ y &lt;?pi z</r>");
        QTest::newRow("DOCTYPE inside an element") << QByteArray("<r><!DOCTYPE r></r>") << QByteArray("<r>&lt;!DOCTYPE r></r>");
        QTest::newRow("NUL bytes") << QByteArray("<r a=\"\0\">x\0y</r>", 16) << QByteArray("<r a=\"\">xy</r>");
        QTest::newRow("run of text to escape, references and NUL in it")
            << QByteArray("<r>a<<&amp;&&lt;<\0b&c<i>&&</i></r>", 35)
            << QByteArray("<r>a&lt;&lt;&amp;&amp;&lt;&lt;b&amp;c<i>&amp;&amp;</i></r>");
        QTest::newRow("values to escape") << QByteArray("<r a=\"x&&amp;\"q\"\0\" b='it's'>t</r>", 33)
                                          << QByteArray("<r a=\"x&amp;&amp;&quot;q&quot;\" b='it&apos;s'>t</r>");
        QTest::newRow("elements left open") << QByteArray("<r><a><b x='1'><c>x") << QByteArray("<r><a><b x='1'><c>x</c></b></a></r>");
    }

    // The changes a repair records stay a small part of the answer, however
    // many characters must be escaped or elements closed.
    void repairRecordStaysSmall_data()
    {
        QTest::addColumn<QByteArray>("input");
        const int n = 1 << 20;
        QTest::newRow("<") << "<r>" + QByteArray(n, '<') + "</r>";
        QTest::newRow("&") << "<r>" + QByteArray(n, '&') + "</r>";
        QTest::newRow("< and references") << "<r>" + QByteArray("<&lt;&#60;x").repeated(n / 10) + "</r>";
        QTest::newRow("NUL") << "<r>" + QByteArray(n, '\0') + "</r>";
        QTest::newRow("value") << "<r a=\"" + QByteArray("&\"'").repeated(n / 3) + "\">t</r>";
        QTest::newRow("elements left open") << "<r>" + QByteArray("<a>").repeated(n / 3);
        QTest::newRow("text before the root") << QByteArray("x<").repeated(n / 2) + "<r/>";
        QTest::newRow("layout") << "<r>" + QByteArray("\n<a/>").repeated(n / 5) + "</r>";
    }
    void repairRecordStaysSmall()
    {
        QFETCH(QByteArray, input);
        for (const auto layout : {XmlRepair::Layout::Keep, XmlRepair::Layout::Drop}) {
            const XmlRepair repair(std::string_view(input.constData(), size_t(input.size())), layout);
            QVERIFY(layout == XmlRepair::Layout::Keep || !repair.changesNothing());
            QVERIFY2(repair.recordBytes() <= 2 * size_t(input.size()),
                     qPrintable(QStringLiteral("%1 bytes for %2").arg(repair.recordBytes()).arg(input.size())));
        }
    }

    // Layout goes only where a reader skips it anyway: white space with a
    // line break between two pieces of markup that stay; so do the elements
    // no one reads, when a reader says which. The outline points into the
    // text as it now is, and says how much of each record went.
    void dropsLayout_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        // Read: a below a child of the root, b below a, and all below b.
        QTest::addColumn<bool>("readsAb");
        QTest::newRow("indentation") << QByteArray("<r>\n  <a>x</a>\r\n\t<b> </b>\n</r>") << QByteArray("<r><a>x</a><b> </b></r>") << false;
        QTest::newRow("a space between inline elements")
            << QByteArray("<r><a><i>x</i> <b>y</b></a>\n</r>") << QByteArray("<r><a><i>x</i> <b>y</b></a></r>") << false;
        QTest::newRow("text with a line break") << QByteArray("<r>a\n<b/>\n</r>") << QByteArray("<r>a\n<b/></r>") << false;
        QTest::newRow("after a reference") << QByteArray("<r><a/>&#32;\n<b/></r>") << QByteArray("<r><a/>&#32;\n<b/></r>") << false;
        QTest::newRow("beside comments, CDATA and PIs")
            << QByteArray("<r>\n<!--c-->\n<![CDATA[x]]>\n<?p x?>\n<a/></r>") << QByteArray("<r><!--c--><![CDATA[x]]><?p x?><a/></r>") << false;
        QTest::newRow("before an end tag the repair drops") << QByteArray("<r><a/>\n</x>y</r>") << QByteArray("<r><a/>\ny</r>") << false;
        QTest::newRow("after an end tag the repair drops") << QByteArray("<r><a>x</b>\n <c/></a></r>") << QByteArray("<r><a>x\n <c/></a></r>") << false;
        QTest::newRow("before end tags the repair adds") << QByteArray("<r><a><b>\n</a>\n</r>") << QByteArray("<r><a><b></b></a></r>") << false;
        QTest::newRow("unread elements go with what they hold")
            << QByteArray("<r>\n <x>\n  <c>u<d/><!--<-->\n</c>\n  <a t='1'>\n   <b>k<i>j</i></b> a<e/>\n  </a>\n </x>\n <c/>\n</r>")
            << QByteArray("<r><x><a t='1'><b>k<i>j</i></b> a</a></x><c/></r>") << true;
        QTest::newRow("their repairs go too") << QByteArray("<r><x><c t=\"<\">a<b&</c><e t='a'b'/><a>1<2</a></x></r>")
                                              << QByteArray("<r><x><a>1&lt;2</a></x></r>") << true;
        QTest::newRow("closed by an outer end tag or left open")
            << QByteArray("<r><x><c><d>u</x><y><a><c>u") << QByteArray("<r><x></x><y><a></a></y></r>") << true;
    }
    void dropsLayout()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QFETCH(bool, readsAb);
        struct : XmlElementsRead
        {
            int child(std::string_view) const override { return 0; }
            int child(int parent, std::string_view name) const override
            {
                return parent == 0 && name == "a" ? 1 : parent == 1 && name == "b" ? kAll : kNone;
            }
        } readAb;
        std::string text = input.toStdString();
        const XmlRepair kept(text);
        const XmlRepair repair(text, XmlRepair::Layout::Drop, readsAb ? &readAb : nullptr);
        const std::string output = repair.changesNothing() ? text : repair.repaired();
        QCOMPARE(QByteArray::fromStdString(output), expected);
        const XmlOutline &outline = repair.outline();
        QCOMPARE(output.substr(outline.contentEnd), std::string("</r>"));
        QCOMPARE(outline.layoutBefore.size(), outline.childEnds.size());
        QCOMPARE(outline.childEnds.size(), kept.outline().childEnds.size());
        for (size_t i = 0; i < outline.childEnds.size(); ++i) {
            const auto begin = [i](const XmlOutline &o) { return i > 0 ? o.childEnds[i - 1] : o.contentBegin; };
            const auto span = [&](const XmlOutline &o) { return o.childEnds[i] - begin(o); };
            const auto tags = [&](const std::string &t, const XmlOutline &o) { return std::count(t.begin() + ptrdiff_t(begin(o)), t.begin() + ptrdiff_t(o.childEnds[i]), '<'); };
            QCOMPARE(output[outline.childEnds[i] - 1], '>');
            QCOMPARE(span(outline) + outline.layoutBefore[i], span(kept.outline()));
            QCOMPARE(size_t(tags(output, outline)) + outline.unreadTagsBefore[i], size_t(tags(kept.repaired(), kept.outline())));
        }
        text.resize(std::max(text.size(), repair.repairedSize()));
        repair.applyInPlace(text.data());
        text.resize(repair.repairedSize());
        QCOMPARE(text, output);
    }
    void repair()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const std::string output = repairedXml(input.toStdString());
        QCOMPARE(QByteArray::fromStdString(output), expected.isNull() ? input : expected);
        std::string copy = output;
        pugi::xml_document parsed;
        QVERIFY(parsed.load_buffer_inplace(copy.data(), copy.size(), kResponseParseOptions, pugi::encoding_utf8));
        // Repaired text is well-formed: a repair of it changes nothing.
        std::string again;
        QVERIFY(!repairXml(output, again));
        // Applied to another buffer or in the input's own, the repair gives the same text.
        std::string buffer = input.toStdString();
        const XmlRepair inPlace(buffer);
        std::string copied(inPlace.repairedSize(), '\0');
        inPlace.applyTo(copied.data());
        QCOMPARE(copied, output);
        buffer.resize(std::max(buffer.size(), inPlace.repairedSize()));
        inPlace.applyInPlace(buffer.data());
        buffer.resize(inPlace.repairedSize());
        QCOMPARE(buffer, output);
    }

    // Whole answers through replacement, envelope, repair and parse: the
    // string value of the article set.
    void cleanedText_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("text");
        // The sign of "P < 0.001" survives; doubly and singly escaped entities are text, never markup.
        QTest::newRow("escaped tag becomes markup")
            << QByteArray("<A>a &lt;i&gt;word&lt;/i&gt; P &lt; 0.001 &amp;amp;lt;x&amp;amp;gt; &amp;lt;y&amp;gt;</A>")
            << QByteArray("a word P < 0.001 &lt;x&gt; &lt;y&gt;");
        // "&quot;" turns into a bare quote inside the value.
        QTest::newRow("quote in an attribute value keeps the element")
            << QByteArray("<A Label=\"The &quot;best&quot; one\">text</A>") << QByteArray("text");
        QTest::newRow("&lt; in a label keeps the element")
            << QByteArray("<A Label=\"P &lt; 0.05\">text</A>") << QByteArray("text");
        QTest::newRow("space between inline elements kept, layout left out")
            << QByteArray("\n  <T><i>Homo</i> <i>sapiens</i>\n    <b>x</b></T>\n  <T>\n    <L>a</L>\n    <L>b</L>\n  </T>\n  \n")
            << QByteArray("Homo sapiensxab");
    }
    void cleanedText()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, text);
        const auto document = XMLDocumentForResponse(kDecl + "<PubmedArticleSet>" + content.toStdString() + kSetClose, kSetClose);
        QVERIFY(document);
        QCOMPARE(QByteArray::fromStdString(stringValue(document->root())), text);
    }

    // A large answer is parsed in pieces, by more than one thread: the
    // children must still arrive in document order, and a visitor that throws
    // must stop the walk without a hang.
    void largeContentIsVisitedInOrder()
    {
        const int children = 200000;
        std::string text = kDecl + "<PubmedArticleSet>";
        for (int i = 0; i < children; ++i)
            text += "<c i=\"" + std::to_string(i) + "\"/>\n";
        text += kSetClose;
        std::optional<CleanedResponse> cleaned = CleanedResponse::fromText(text, kSetClose);
        QVERIFY(cleaned);
        int next = 0;
        forEachRootChild(*cleaned, [&](pugi::xml_node node) {
            if (node.type() == pugi::node_element && node.attribute("i").as_int(-1) == next)
                ++next;
        });
        QCOMPARE(next, children);

        cleaned = CleanedResponse::fromText(text, kSetClose);
        int visited = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, forEachRootChild(*cleaned, [&](pugi::xml_node) {
            if (++visited == children / 2)
                throw std::runtime_error("stop");
        }));
        QCOMPARE(visited, children / 2);
    }

    void deepNesting()
    {
        const int depth = 100000;
        std::string text = kDecl + "<PubmedArticleSet>";
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        text += "deep";
        // Unmatched end tags under the deep stack must not cost a walk of it each.
        for (int i = 0; i < depth; ++i)
            text += "</b>";
        text += kSetClose;
        const auto document = XMLDocumentForResponse(text, kSetClose);
        QVERIFY(document);
        // Start tags past the deepest nesting are text.
        const int levels = int(kMaxXmlDepth) - 1;
        std::string deeper;
        for (int i = levels; i < depth; ++i)
            deeper += "<a>";
        QCOMPARE(stringValue(document->root()), deeper + "deep");
        int seen = 0;
        for (pugi::xml_node n = document->root(); n.first_child().type() == pugi::node_element; n = n.first_child())
            ++seen;
        QCOMPARE(seen, levels);
    }
};

QTEST_GUILESS_MAIN(ResponseCleanupTest)
#include "ResponseCleanupTest.moc"
