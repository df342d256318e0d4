// Kept full texts: (a) a kept 30-page PDF opened in the reader until its
// first page is drawn (target ≤ 300 ms); (b) a kept PMC text (the real BioC
// article of the tests) read from its file and shown (≤ 150 ms); (c) offline
// searches over --texts (10,000) kept texts, the best 200 passages with
// their snippets (≤ 100 ms each); (d) the bytes per kept text: its file, and
// its share of the library file (rows and index).
//
// Reproduce (Release build):
//   cmake --build build --target vexmoor-fulltext-bench
//   QT_QPA_PLATFORM=offscreen build/bench/gui/vexmoor-fulltext-bench [--texts N] [--runs N]
//
// (a) times the reader made and shown and its view drawn, the first page
// rendered (the query's words are placed after, a few at a time between
// events), then separately the words of the pages in view all placed; (b) the text read from its file, laid out and shown.

#include "BenchRun.h"
#include "../../tests/library/LibraryTestArticles.h"
#include "gui/fulltext/PdfPageView.h"
#include "gui/fulltext/PdfReader.h"
#include "gui/fulltext/TextReader.h"
#include "library/FullTextShelf.h"
#include "library/LibraryStore.h"
#include "services/Bioc.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <cstdio>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int line = 0; line < 60; ++line)
            painter.drawText(QPointF(400, 300 + line * 220),
                             QStringLiteral("Page %1, line %2: the quokka census counted animals on Rottnest Island.").arg(page + 1).arg(line));
    }
}

// The text of article `n`: the real article with a few words of its own.
FullTextDocument textNumber(const FullTextDocument &real, qint64 n)
{
    FullTextDocument text = real;
    text.append({TextSection::Methods, TextPassage::Kind::Paragraph,
                 QStringLiteral("Sample w%1 and batch b%2 were sequenced.").arg(n % 997).arg(n % 89)});
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int texts = 10000;
    int runs = 5;
    if (!readBenchArguments(app.arguments().mid(1), {{"--texts", &texts}, {"--runs", &runs}}, "[--texts N] [--runs N]"))
        return 2;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("library.sqlite"));
    LibraryStore store(path);
    if (store.open() != LibraryStore::OpenState::Opened)
        return 1;
    const FullTextDocument real =
        biocAnswerFrom(fileBytes(QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../../tests/data/services/bioc/nasaspaceapps_BioC_json_PMC10793275_oldstyle_reserialized.json"))).document;
    const QByteArray answer = fileBytes(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch/pubmed_result_4_articles.xml"));
    const qint64 collection = store.createCollection(QStringLiteral("kept")).value_or(0);
    FullTextShelf shelf(store);
    for (qint64 first = 1; first <= texts; first += 1000) {
        if (!store.addArticles(collection, manyArticles(answer, first, int(std::min<qint64>(1000, texts - first + 1)))))
            return 1;
    }
    const auto librarySize = [&path] { return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size(); };
    const qint64 withoutTexts = librarySize();
    QElapsedTimer keeping;
    keeping.start();
    for (qint64 pmid = 1; pmid <= texts; ++pmid) {
        if (!shelf.keepText({.pmid = pmid, .source = QStringLiteral("PMC")}, textNumber(real, pmid))) {
            std::fprintf(stderr, "%s\n", qPrintable(shelf.error()));
            return 1;
        }
    }
    std::printf("kept %d texts in %.1f s\n", texts, keeping.elapsed() / 1000.0);

    const QString pdf = dir.filePath(QStringLiteral("thirty.pdf"));
    writePdf(pdf, 30);
    const QStringList quokka{QStringLiteral("quokka")};
    const Measure pdfOpen = measure(runs, [] {}, [&] {
        PdfReader reader(pdf, quokka);
        reader.resize(800, 1000);
        reader.show();
        (void)reader.pages()->viewport()->grab();
    });
    std::printf("(a) 30-page PDF (%lld bytes) to its first page drawn: %.1f ms\n", qlonglong(QFileInfo(pdf).size()), pdfOpen.seconds * 1000);
    qsizetype marks = 0;
    const Measure pdfMarks = measure(runs, [] {}, [&] {
        PdfReader reader(pdf, quokka);
        reader.resize(800, 1000);
        reader.show();
        marks = reader.pages()->wordMarks(0).size() + reader.pages()->wordMarks(1).size();
    });
    std::printf("(a) and the %lld marks of \"quokka\" on the two pages in view placed: %.1f ms\n", qlonglong(marks), pdfMarks.seconds * 1000);

    const Measure textOpen = measure(runs, [] {}, [&] {
        const std::optional<KeptFullText> kept = shelf.kept(1);
        TextReader reader(*kept->document, {QStringLiteral("biofilm")});
        reader.resize(800, 1000);
        reader.show();
        reader.browser()->viewport()->grab();
    });
    std::printf("(b) PMC text (%d passages, %d references) read and shown: %.1f ms\n", int(real.passages.size()),
                int(real.references.size()), textOpen.seconds * 1000);

    for (const QString &query : {QStringLiteral("w17"), QStringLiteral("sequenced"), QStringLiteral("methods: w17"), QStringLiteral("sphingomonas biofilm membrane")}) {
        qsizetype hits = 0;
        const Measure search = measure(runs, [] {}, [&] { hits = store.searchFullTexts(query).value_or(QList<FullTextHit>()).size(); });
        std::printf("(c) search \"%s\" over %d texts: %lld passages in %.1f ms\n", qPrintable(query), texts, qlonglong(hits), search.seconds * 1000);
    }
    qint64 files = 0;
    for (const QFileInfo &file : QDir(store.fullTextFolder()).entryInfoList(QDir::Files))
        files += file.size();
    std::printf("(d) per kept text: its file %.0f bytes, its row and index in the library %.0f bytes\n", double(files) / texts,
                double(librarySize() - withoutTexts) / texts);
    return 0;
}
