#include "entrez/ArticleExtractor.h"
#include "entrez/EfetchStream.h"
#include "entrez/ResponseCleanup.h"
#include "entrez/Utf8.h"
#include "common/SystemLog.h"
#include "TestData.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <cstring>

namespace {

const QString kDataDir = QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/");
const std::string kBase = "https://eutils.example/elink?x=1";

struct Streamed
{
    qsizetype result = 0;
    ArticleList records;
    size_t mostHeld = 0; // the reader's held bytes at worst
    int overlaps = 0;    // sink calls made while another ran
};

// `bytes` handed to a reader `chunk` bytes at a time (all at once for 0);
// an odd chunk is read into the reader's buffer, an even one appended.
Streamed streamed(const QByteArray &bytes, qsizetype chunk, size_t pieceBytes, size_t maxBytes = size_t(kMaxAnswerBytes))
{
    Streamed out;
    std::atomic<bool> inSink = false;
    std::atomic<int> overlaps = 0;
    EfetchStreamReader reader(
        kBase,
        [&](ArticleRecord &&record) {
            overlaps += inSink.exchange(true);
            out.records.append(std::move(record));
            inSink = false;
        },
        maxBytes, pieceBytes);
    const qsizetype step = chunk > 0 ? chunk : std::max(bytes.size(), qsizetype(1));
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        const qsizetype n = std::min(step, bytes.size() - at);
        if (step % 2 == 0) {
            reader.append(std::string_view(bytes.constData() + at, size_t(n)));
        } else {
            reader.appendRead(step, [&](char *into, qint64) {
                std::memcpy(into, bytes.constData() + at, size_t(n));
                return qint64(n);
            });
        }
        out.mostHeld = std::max(out.mostHeld, reader.heldBytes());
    }
    out.result = reader.finish();
    out.overlaps = overlaps;
    return out;
}

bool sameRecords(const ArticleList &a, const ArticleList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        for (int k = 0; k < ArticleRecord::KeyCount; ++k) {
            if (a[i].utf8(ArticleRecord::Key(k)) != b[i].utf8(ArticleRecord::Key(k)))
                return false;
        }
        if (a[i].authors() != b[i].authors())
            return false;
    }
    return true;
}

const char kProlog[] = "<?xml version=\"1.0\" ?>\n<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st "
                       "January 2025//EN\" \"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n";

QByteArray article(int pmid, const QByteArray &inTitle = {})
{
    return "<PubmedArticle><MedlineCitation><PMID Version=\"1\">" + QByteArray::number(pmid)
        + "</PMID><Article><ArticleTitle>Title " + inTitle
        + "</ArticleTitle><AuthorList><Author><LastName>Lee</LastName><Initials>K</Initials></Author></AuthorList>"
          "</Article></MedlineCitation></PubmedArticle>\n";
}

// An answer of ten articles, the fourth and the seventh with `fourth` and
// `seventh` in their titles.
QByteArray answer(const QByteArray &fourth, const QByteArray &seventh = {}, const QByteArray &root = "PubmedArticleSet")
{
    QByteArray text = kProlog + ("<" + root + ">\n");
    for (int i = 1; i <= 10; ++i)
        text += article(i, i == 4 ? fourth : i == 7 ? seventh : QByteArray());
    return text + "</" + root + ">\n";
}

} // namespace

class EfetchStreamTest : public QObject
{
    Q_OBJECT

private slots:
    // The fast check gives the verdicts of the definition, wherever a
    // sequence falls in the blocks it reads, and so does the check that gets
    // the bytes a piece at a time, wherever they are split.
    void utf8Verdicts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("ASCII") << QByteArray("plain <text>") << true;
        QTest::newRow("two, three and four bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80x") << true;
        QTest::newRow("the last code points") << QByteArray("\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("lone continuation byte") << QByteArray("a\x80") << false;
        QTest::newRow("Latin-1") << QByteArray("Universit\xE0") << false;
        QTest::newRow("lone byte FF") << QByteArray("\xFF") << false;
        QTest::newRow("overlong two bytes") << QByteArray("\xC1\xBF") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x9F\xBF") << false;
        QTest::newRow("overlong four bytes") << QByteArray("\xF0\x8F\xBF\xBF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("no lead byte F5") << QByteArray("\xF5\x80\x80\x80") << false;
        QTest::newRow("ASCII where a continuation belongs") << QByteArray("\xE2\x28\xA1") << false;
        QTest::newRow("truncated at the end") << QByteArray("ok\xE2\x82") << false;
        QTest::newRow("truncated before ASCII") << QByteArray("\xF0\x9F\x98 ") << false;
    }
    void utf8Verdicts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        for (int pad = 0; pad <= 40; ++pad) {
            const QByteArray text = QByteArray(pad, 'a') + bytes + QByteArray(40 - pad, 'b');
            QCOMPARE(isValidUtf8(std::string_view(text.constData(), size_t(text.size()))), valid);
        }
        for (qsizetype split = 0; split <= bytes.size(); ++split) {
            Utf8Validator validator;
            validator.append(std::string_view(bytes.constData(), size_t(split)));
            validator.append(std::string_view(bytes.constData() + split, size_t(bytes.size() - split)));
            QCOMPARE(validator.finish(), valid);
        }
        Utf8Validator bytewise;
        for (char c : bytes)
            bytewise.append(std::string_view(&c, 1));
        QCOMPARE(bytewise.finish(), valid);
    }

    // Streamed, an answer gives what the whole answer gives, however its
    // bytes arrive and wherever pieces may be cut: the real answers, and
    // answers where a cut between two records would change the repair.
    void sameAsWholeAnswer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const QString &name : QDir(kDataDir).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
            READ_TEST_DATA(bytes, kDataDir + name);
            QTest::newRow(qPrintable(name)) << bytes;
        }
        READ_TEST_DATA(books, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/records/book-chapter-and-book.xml"));
        QTest::newRow("books with authors") << books;
        QTest::newRow("author with every part") << answer("</ArticleTitle><AuthorList><Author><LastName>Roe</LastName><ForeName>Al"
                                                          "</ForeName><Initials>A</Initials><Suffix>Jr</Suffix><AffiliationInfo>"
                                                          "<Affiliation>X</Affiliation></AffiliationInfo></Author></AuthorList><ArticleTitle>");
        QTest::newRow("comment across records") << answer("<!-- ", " -->");
        QTest::newRow("comment never closed") << answer("<!-- ");
        QTest::newRow("CDATA across records") << answer("<![CDATA[", "]]>");
        QTest::newRow("processing instruction across records") << answer("<?pi ", " ?>");
        QTest::newRow("document element closed early") << answer("</Title></ArticleTitle></Article></MedlineCitation>"
                                                                 "</PubmedArticle></PubmedArticleSet >");
        // What the reader itself puts after a piece, "<m/>", must not fool it.
        QTest::newRow("document element closed after a marker") << answer("</ArticleTitle></Article></MedlineCitation>"
                                                                           "</PubmedArticle><x/><m/></PubmedArticleSet >");
        QTest::newRow("record left open") << answer("</ArticleTitle></Article></MedlineCitation><PubmedArticle>");
        QTest::newRow("end tags without start") << answer("</PubmedArticle></Other>", "</MedlineCitation>");
        QTest::newRow("PMID that is not digits") << answer("</ArticleTitle></Article></MedlineCitation></PubmedArticle>"
                                                           "<PubmedArticle><MedlineCitation><PMID>1&amp;db=x</PMID><Article>"
                                                           "<ArticleTitle>");
        QTest::newRow("escaped markup") << answer("&amp;amp; &amp; &quot;q&quot; &lt;b&gt;", "&lt;/ArticleTitle&gt;&lt;/Article&gt;");
        QTest::newRow("attribute quote left open") << answer("<i a=\"x>", "\">");
        QTest::newRow("byte-order mark between records") << answer("</ArticleTitle></Article></MedlineCitation>"
                                                                   "</PubmedArticle>\xEF\xBB\xBFtext<PubmedArticle><X>");
        QTest::newRow("another document element") << answer({}, {}, "Other") + "</PubmedArticleSet>";
        QTest::newRow("comment before the document element") << "<?xml version=\"1.0\"?><!-- <PubmedArticleSet> -->"
                + answer({}).mid(int(strlen(kProlog)));
        QTest::newRow("escaped closing tag") << answer("&lt;/PubmedArticleSet&gt; after");
        QTest::newRow("text around the envelope") << "junk <?xml" + answer({}) + "<?xml version=\"1.0\"?><PubmedArticleSet>";
        QTest::newRow("no closing tag") << answer({}).chopped(5);
        QTest::newRow("no declaration") << answer({}).mid(5);
        QTest::newRow("no declaration, one after the document") << answer({}).mid(int(strlen(kProlog))) + kProlog;
        QTest::newRow("not UTF-8 at the very end") << answer({}) + "\xC3";
    }
    void sameAsWholeAnswer()
    {
        QFETCH(QByteArray, bytes);
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        const auto unhook = qScopeGuard([] { setSystemLogSink({}); });
        ArticleList whole;
        const qsizetype expected = appendArticlesFromBytes(bytes, whole, kBase);
        const QStringList wholeLog = std::exchange(log, {});
        for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(97), qsizetype(65536)}) {
            if (chunk == 1 && bytes.size() > 100000)
                continue; // a byte at a time is slow on the large answers, and the small ones show it
            for (const size_t pieceBytes : {size_t(1), size_t(3000), EfetchStreamReader::kPieceBytes}) {
                const Streamed s = streamed(bytes, chunk, pieceBytes);
                const QByteArray where = "chunk " + QByteArray::number(chunk) + ", piece " + QByteArray::number(pieceBytes);
                QVERIFY2(s.result == expected, where + ": " + QByteArray::number(s.result) + " records, expected "
                                                   + QByteArray::number(expected));
                if (expected > 0)
                    QVERIFY2(sameRecords(s.records, whole), where);
                QVERIFY2(s.overlaps == 0, where + ": the sink was called while it ran");
                QVERIFY2(std::exchange(log, {}) == wholeLog, where + ": not the same log lines");
            }
        }
    }

    // Where no cut is safe (a comment left open in the first records), the
    // stream tries again only after its text has doubled, not at every
    // chunk: it takes about as long as an answer where every cut is safe.
    // Where cuts are safe, the reader holds a few pieces, not the answer.
    void unsafeCutsStayLinear()
    {
        QByteArray safe = answer({});
        // Records of about a chunk each, so that every chunk brings a cut to try.
        safe.insert(safe.lastIndexOf("</PubmedArticleSet>"), article(11, QByteArray(4096, 'x')).repeated(5000));
        QByteArray unsafe = QByteArray(safe).replace("Title </ArticleTitle>", "Title <!-- </ArticleTitle>");
        qint64 elapsed[2];
        for (const QByteArray *bytes : {&safe, &unsafe}) {
            ArticleList whole;
            const qsizetype expected = appendArticlesFromBytes(*bytes, whole, kBase);
            QElapsedTimer timer;
            timer.start();
            const Streamed s = streamed(*bytes, 4096, 1);
            elapsed[bytes == &unsafe] = timer.elapsed();
            QCOMPARE(s.result, expected);
            if (bytes == &safe)
                QVERIFY2(s.mostHeld < size_t(bytes->size()) / 16, qPrintable(QString::number(s.mostHeld)));
        }
        QVERIFY2(elapsed[1] < 5 * elapsed[0] + 300, qPrintable(QStringLiteral("%1 ms, %2 ms").arg(elapsed[0]).arg(elapsed[1])));
    }

    // One record must not take many times its size in memory: past the
    // bound of its tags or of its text it is dropped, with a log line, by
    // both readers.
    void recordBound_data()
    {
        QTest::addColumn<QByteArray>("fourth");
        QTest::addColumn<int>("records");
        QTest::newRow("tags within the bound") << QByteArray("<a/>").repeated(100000) << 10;
        QTest::newRow("tags past the bound") << QByteArray("<a/>").repeated(120000) << 9;
        // The streamed pieces lose their layout; the bound is of the record as sent.
        QTest::newRow("tags within the bound by their layout") << (QByteArray("<a/>\n") + QByteArray(27, ' ')).repeated(120000) << 10;
        QTest::newRow("text past the bound") << QByteArray(int(kMaxRecordBytes), 'x') << 9;
        // They lose the elements no one reads too; the bound counts their tags.
        QTest::newRow("tags past the bound in an element no one reads")
            << "</ArticleTitle><GrantList>" + QByteArray("<a/>").repeated(120000) + "</GrantList><ArticleTitle>" << 9;
    }
    void recordBound()
    {
        QFETCH(QByteArray, fourth);
        QFETCH(int, records);
        const QByteArray bytes = answer(fourth);
        QStringList log;
        setSystemLogSink([&log](const QString &line) { log.append(line); });
        const auto unhook = qScopeGuard([] { setSystemLogSink({}); });
        ArticleList whole;
        QCOMPARE(appendArticlesFromBytes(bytes, whole, kBase), records);
        const Streamed s = streamed(bytes, 65536, EfetchStreamReader::kPieceBytes);
        QCOMPARE(s.result, records);
        QVERIFY(sameRecords(s.records, whole));
        QCOMPARE(log.filter(QStringLiteral("was dropped")).size(), records == 9 ? 2 : 0);
    }

    // Answers above the limit give nothing, whatever they hold; a reader
    // starts over after reset().
    void limitAndReset()
    {
        const QByteArray bytes = answer({});
        QCOMPARE(streamed(bytes, 100, 1, size_t(bytes.size())).result, qsizetype(10));
        QCOMPARE(streamed(bytes, 100, 1, size_t(bytes.size()) - 1).result, qsizetype(0));
        QCOMPARE(streamed(bytes + "\xFF", 100, 1, size_t(bytes.size())).result, qsizetype(0));

        ArticleList records;
        EfetchStreamReader reader(kBase, [&](ArticleRecord &&record) { records.append(std::move(record)); }, size_t(kMaxAnswerBytes), 1);
        reader.append(std::string_view(bytes.constData(), 700));
        reader.reset();
        records.clear();
        reader.append(std::string_view(bytes.constData(), size_t(bytes.size())));
        QCOMPARE(reader.finish(), qsizetype(10));
        QCOMPARE(records.size(), 10);
    }
};

QTEST_GUILESS_MAIN(EfetchStreamTest)
#include "EfetchStreamTest.moc"
