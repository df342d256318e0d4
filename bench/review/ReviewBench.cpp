// Systematic review benchmark: 20,000 records built from the real records of
// the shared EFetch answers, as several databases would export the same
// articles, in a library in a temporary directory.
//
// Reproduce (Release build):
//   cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build --target vexmoor-review-bench
//   QT_QPA_PLATFORM=offscreen build/bench/review/vexmoor-review-bench [--records N] [--duplicates N] [--runs N]
//
// The records: --records minus --duplicates distinct articles, each a real
// record given an identity of its own (PMID, DOI, two title words, year and
// pages, so that articles of one real record differ as a journal's series
// do), and --duplicates copies of them as another database writes them: no
// PMID (most), no DOI (half), the title in capitals or its punctuation
// changed or one letter wrong, the journal abbreviated, the page range
// written in full or with an en dash, the authors as "Family Initials".
//
// Measures:
//   (a) deduplicating the review: reading its records, finding the duplicates
//       and merging the sure ones in one transaction; the planted duplicates
//       found and the false merges (records of two articles merged);
//   (b) the next record in the screening window after a decision by key
//       (the decision stored, the next record drawn), the worst of 200, and
//       apart the wait for the disk that follows the drawing;
//   (c) refitting "Most likely relevant first" after a decision and ranking
//       the undecided records, with 400 decided, best of --runs.

#include "BenchRun.h"
#include "RealAnswer.h"

#include "entrez/ArticleExtractor.h"
#include "export/Reference.h"
#include "gui/review/ReviewWorkspace.h"
#include "gui/review/ScreeningView.h"
#include "library/LibraryStore.h"
#include "review/RelevanceRanking.h"
#include "review/ReviewDeduplication.h"
#include "review/ReviewMessages.h"
#include "review/ReviewReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

struct Planted
{
    ReviewRecords records;
    QList<int> article; // the article each record is of
};

QString typo(const QString &title, std::mt19937 &random)
{
    QString out = title;
    const qsizetype at = qsizetype(random() % std::max<qsizetype>(1, out.size() - 10)) + 5;
    if (at < out.size() && out.at(at).isLetter())
        out[at] = out.at(at) == u'e' ? u'a' : u'e';
    return out;
}

Planted build(const ArticleList &real, int recordCount, int duplicateCount)
{
    std::mt19937 random(36);
    QStringList words;
    for (const ArticleRecord &article : real)
        for (const QString &word : referenceForArticle(article).title.split(u' '))
            if (word.size() > 6 && word.front().isLower() && !words.contains(word))
                words.append(word);
    Planted planted;
    const int articles = recordCount - duplicateCount;
    ReviewRecords originals;
    for (int i = 0; i < articles; ++i) {
        ReviewRecord r = recordFromReference(referenceForArticle(real.at(i % real.size())));
        const int round = i / int(real.size());
        r.pmid = QString::number(40000000 + i);
        r.doi = QStringLiteral("10.5555/bench.%1").arg(i);
        r.title = words.at(round % words.size()) + u' ' + words.at((round / words.size() + i) % words.size()) + QStringLiteral(": ") + r.title;
        r.year = QString::number(1990 + (i * 7) % 35);
        r.pages = QStringLiteral("%1-%2").arg(100 + i % 900).arg(100 + i % 900 + 9);
        // Another article of the series has other authors.
        if (round > 0 && !r.authors.isEmpty())
            r.authors.first() = recordFromReference(referenceForArticle(real.at((i + round) % real.size()))).authors.value(0);
        originals.append(r);
        planted.records.append(r);
        planted.article.append(i);
    }
    for (int d = 0; d < duplicateCount; ++d) {
        const int of = int(random() % articles);
        ReviewRecord r = originals.at(of);
        if (random() % 10 < 8)
            r.pmid.clear();
        if (random() % 2)
            r.doi.clear();
        else if (random() % 2)
            r.doi = QStringLiteral("https://doi.org/") + r.doi.toUpper();
        switch (random() % 4) {
        case 0: r.title = r.title.toUpper(); break;
        case 1: r.title = QString(r.title).replace(QStringLiteral(": "), QStringLiteral(" - ")).remove(u'.'); break;
        case 2: r.title = typo(r.title, random); break;
        default: break;
        }
        r.journal = r.journal.section(u' ', 0, 1);
        r.pages = random() % 2 ? QString(r.pages).replace(u'-', QChar(0x2013)) : QStringLiteral("pp. ") + r.pages;
        for (QString &author : r.authors)
            author = author.section(u',', 0, 0) + u' ' + author.section(u',', 1).trimmed().left(1);
        r.abstract.clear();
        planted.records.append(r);
        planted.article.append(of);
    }
    return planted;
}

bool check(bool ok, const QString &error)
{
    if (!ok)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int records = 20000, duplicates = 6000, runs = 3;
    if (!readBenchArguments(app.arguments().mid(1),
                            {{"--records", &records}, {"--duplicates", &duplicates}, {"--runs", &runs}},
                            "vexmoor-review-bench [--records N] [--duplicates N] [--runs N]"))
        return 2;
    ArticleList real;
    for (const std::string &record : realRecords(QStringLiteral(VEXMOOR_TESTDATA_DIR "/efetch"), false))
        appendArticlesFromResponse("<PubmedArticleSet>" + record + "</PubmedArticleSet>", real, "");
    real.removeIf([](const ArticleRecord &a) { return referenceForArticle(a).title.size() < 20; });
    const Planted planted = build(real, records, duplicates);
    std::printf("%lld real records; %d records of %d articles, %d planted duplicates\n", qlonglong(real.size()), records,
                records - duplicates, duplicates);

    QTemporaryDir dir;
    LibraryStore library(dir.filePath(QStringLiteral("bench.sqlite")));
    if (!check(library.open() == LibraryStore::OpenState::Opened, library.error()))
        return 1;
    ReviewStore store(library);
    Review review;
    review.name = QStringLiteral("Bench");
    review.reasons = ReviewMessages::defaultReasons();
    review.id = store.createReview(review).value_or(0);
    if (!check(store.addSource(review.id, {0, QStringLiteral("Mixed"), {}, {}, QDate::currentDate(), 0}, planted.records).has_value(), store.error()))
        return 1;
    // Ids follow the order added.
    const qint64 firstId = store.records(review.id)->constFirst().id;

    QElapsedTimer timer;
    timer.start();
    const auto found = ReviewDeduplication::run(store, review.id, QStringLiteral("bench"), false);
    const double dedupSeconds = timer.nsecsElapsed() / 1e9;
    if (!check(found.has_value(), store.error()))
        return 1;
    qsizetype falseMerges = 0;
    for (const ReviewDuplicates::Merge &m : found->merges)
        falseMerges += planted.article.at(m.kept - firstId) != planted.article.at(m.merged - firstId) ? 1 : 0;
    const qsizetype right = found->merges.size() - falseMerges;
    std::printf("(a) deduplication: %.2f s; %lld of %d planted duplicates merged (%.1f %%), %lld false merges, %lld uncertain pairs listed\n",
                dedupSeconds, qlonglong(right), duplicates, 100.0 * right / duplicates, qlonglong(falseMerges),
                qlonglong(found->uncertain.size()));

    const ReviewRecords standing = *store.records(review.id);
    {
        double worst = 0, total = 0;
        for (int i = 0; i < 200; ++i) {
            timer.restart();
            store.decide(review.id, {standing.at(standing.size() - 1 - i).id, ScreeningStage::FullText, ScreeningChoice::Include, {}, QStringLiteral("bench"), {}});
            worst = std::max(worst, timer.nsecsElapsed() / 1e6);
            total += timer.nsecsElapsed() / 1e6;
        }
        std::printf("    storing one decision alone (its own transaction, synchronous=FULL): mean %.2f ms, worst %.2f ms of 200\n",
                    total / 200, worst);
    }
    {
        ReviewWorkspace workspace(library, *store.review(review.name), QStringLiteral("bench"), noFullText(), {});
        workspace.setAttribute(Qt::WA_DeleteOnClose, false);
        workspace.show();
        workspace.findChild<QTabWidget *>()->setCurrentWidget(workspace.screening());
        QWidget *view = workspace.screening()->findChild<QWidget *>(QStringLiteral("screeningRecord"));
        view->setFocus();
        QCoreApplication::processEvents();
        std::vector<double> times, syncs;
        for (int i = 0; i < 200; ++i) {
            timer.restart();
            QTest::keyClick(view, i % 5 == 0 ? Qt::Key_I : Qt::Key_1);
            times.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            QCoreApplication::processEvents();
            syncs.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::sort(syncs.begin(), syncs.end());
        std::printf("(b) next record drawn after a decision by key, the decision stored first: median %.2f ms, worst %.2f ms of 200 "
                    "(%lld records standing)\n"
                    "    then the wait for the disk, before the next key is read: median %.2f ms, worst %.2f ms\n",
                    times[times.size() / 2], times.back(), qlonglong(standing.size()), syncs[syncs.size() / 2], syncs.back());
    }

    RelevanceRanking ranking(standing);
    QHash<qint64, bool> decisions;
    for (int i = 0; i < 400; ++i)
        decisions.insert(standing.at(i).id, i % 10 == 0);
    QList<qint64> undecided;
    for (qsizetype i = 400; i < standing.size(); ++i)
        undecided.append(standing.at(i).id);
    const Measure refit = measure(runs, [] {}, [&] {
        ranking.refit(decisions);
        const QList<qint64> order = ranking.ranked(undecided);
        if (order.size() != undecided.size())
            std::abort();
    });
    std::printf("(c) refit with 400 decided and rank %lld undecided: %.1f ms (best of %d)\n", qlonglong(undecided.size()),
                refit.seconds * 1e3, runs);
    return 0;
}
