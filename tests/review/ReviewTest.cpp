// A review from its imports to its PRISMA counts: the importers over exports
// made the way each database writes them, the duplicate rules, decisions
// that survive a killed program, agreement between screeners, the counts.
#include "FakeEutilsServer.h"
#include "TestData.h"

#include "export/BibtexWriter.h"
#include "export/CsvWriter.h"
#include "export/Reference.h"
#include "export/RisWriter.h"
#include "library/LibraryStore.h"
#include "common/Endpoints.h"
#include "review/RelevanceRanking.h"
#include "review/ReviewCompletion.h"
#include "review/ReviewDeduplication.h"
#include "review/ReviewFile.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"
#include "review/ReviewReport.h"
#include "review/ReviewStore.h"
#include "review/ScreenerAgreement.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using Format = ReviewImport::Format;
const char kChildSwitch[] = "--decide-as-child";
const QString kDir = QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/review/");

ReviewRecord record(const QString &title, const QString &year, const QString &pages, const QString &author,
                    const QString &doi = {}, const QString &pmid = {})
{
    ReviewRecord r;
    r.title = title;
    r.year = year;
    r.pages = pages;
    r.authors = author.isEmpty() ? QStringList() : QStringList{author};
    r.doi = doi;
    r.pmid = pmid;
    return r;
}

// The child: decides to include records 1.. of review 1, one at a time, saying
// "decided N" after each, as the screening window does: without waiting for the disk.
int decideAsChild(const QString &path)
{
    LibraryStore library(path);
    if (library.open() != LibraryStore::OpenState::Opened)
        return 1;
    ReviewStore store(library);
    const auto records = store.records(1);
    for (qsizetype i = 0; records && i < records->size(); ++i) {
        if (!store.decide(1, {records->at(i).id, ScreeningStage::TitleAbstract, ScreeningChoice::Include, {}, "child", {}},
                          LibraryStore::Sync::Later))
            return 1;
        std::printf("decided %lld\n", qlonglong(i + 1));
        std::fflush(stdout);
    }
    return 0;
}


// Runs `sql` on the library at `path` through a connection of its own: the
// first column of its first row, true for a statement without rows, null when it failed.
QVariant onLibrary(const QString &path, const QString &sql)
{
    QVariant out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql))
            out = q.next() ? q.value(0) : QVariant(true);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return out;
}

// What a review holds, ids replaced by each record's place, so that two
// copies of it in two libraries compare line by line.
QStringList contents(ReviewStore &store, const Review &review)
{
    QStringList out{QStringList{review.name, review.question, review.inclusion, review.exclusion, review.reasons.join(u';'),
                                review.highlights.join(u';')}.join(u'|')};
    const ReviewRecords all = store.records(review.id, true).value_or(ReviewRecords());
    QHash<qint64, qsizetype> place;
    for (const ReviewRecord &r : all)
        place.insert(r.id, place.size() + 1);
    QHash<qint64, QString> databases;
    for (const ReviewSource &s : store.sources(review.id).value_or(QList<ReviewSource>())) {
        databases.insert(s.id, s.database);
        out.append(QStringList{s.database, s.interface, s.strategy, s.searched.toString(Qt::ISODate), QString::number(s.count)}.join(u'|'));
    }
    for (ReviewRecord r : all) {
        const QString where = databases.value(r.source) + u' ' + QString::number(place.value(r.mergedInto));
        r.id = r.source = r.mergedInto = 0;
        out.append(where + u'|' + QStringList{r.title, r.authors.join(u';'), r.journal, r.year, r.volume, r.issue, r.pages, r.doi,
                                               r.pmid, r.abstract, r.keywords.join(u';')}.join(u'|'));
    }
    for (const ReviewMerge &m : store.merges(review.id).value_or(QList<ReviewMerge>()))
        out.append(QStringLiteral("merge %1<%2 %3 %4 %5").arg(place.value(m.kept)).arg(place.value(m.merged)).arg(m.rule, m.who, m.at.toString(Qt::ISODateWithMs)));
    for (const ScreeningStage stage : {ScreeningStage::TitleAbstract, ScreeningStage::FullText})
        for (const QString &who : store.screeners(review.id, stage).value_or(QStringList()))
            for (const ScreeningDecision &d : store.decisions(review.id, stage, who).value_or(QHash<qint64, ScreeningDecision>()))
                out.append(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(stageKey(stage)).arg(place.value(d.record))
                               .arg(choiceKey(d.choice), d.reason, d.who, d.at.toString(Qt::ISODateWithMs)));
    std::sort(out.begin() + 1, out.end());
    return out;
}

} // namespace

class ReviewTest : public QObject
{
    Q_OBJECT

public:
    explicit ReviewTest(QString program) : m_program(std::move(program)) {}

private:
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<ReviewStore> m_store;
    QString m_program;
    QTemporaryDir m_dir;
    int m_files = 0;

    // A new library holding one review with the four exports imported.
    qint64 importedReview()
    {
        m_library = std::make_unique<LibraryStore>(m_dir.filePath(QStringLiteral("l%1.sqlite").arg(++m_files)));
        if (m_library->open() != LibraryStore::OpenState::Opened)
            return 0;
        m_store = std::make_unique<ReviewStore>(*m_library);
        Review review{0, QStringLiteral("Searching"), {}, {}, {}, ReviewMessages::defaultReasons(), {}, {}};
        const qint64 id = m_store->createReview(review).value_or(0);
        for (const auto &[file, database] : {std::pair("pubmed.nbib", "PubMed"), {"embase-ovid.ris", "Embase"},
                                             {"scopus.csv", "Scopus"}, {"wos.bib", "Web of Science"}}) {
            const std::optional<QByteArray> bytes = readTestData(kDir + QLatin1String(file));
            const auto format = ReviewImport::detect(QLatin1String(file), bytes.value_or(QByteArray()));
            const ReviewImport::Result result = ReviewImport::read(bytes.value_or(QByteArray()), *format);
            if (!result.ok() || !m_store->addSource(id, {0, QLatin1String(database), {}, {}, QDate(2026, 1, 5), 0}, result.records))
                return 0;
        }
        return id;
    }


    // The imported review deduplicated (one merge undone) and screened by two, written as one file.
    QByteArray sharedReview()
    {
        const qint64 id = importedReview();
        Review review = *m_store->review(QStringLiteral("Searching"));
        review.question = QStringLiteral("Does searching take | time?");
        review.inclusion = QStringLiteral("Librarians\nin teams");
        review.highlights = {QStringLiteral("search"), QStringLiteral("librar*")};
        ReviewRecord extra = record(QStringLiteral("Own \"title\", {braced}"), "2020", "5-9", "Doe, Jane", "10.9/own");
        extra.keywords = {QStringLiteral("Humans"), QStringLiteral("Search")};
        if (!m_store->updateReview(review)
            || !m_store->addSource(id, {0, QStringLiteral("CINAHL"), QStringLiteral("EBSCOhost"), QStringLiteral("(MH \"Librarians\") AND search*"),
                                        QDate(2026, 2, 1), 0}, {extra})
            || !ReviewDeduplication::run(*m_store, id, QStringLiteral("me"), false)
            || !m_store->undoMerge(id, m_store->merges(id)->at(4).id))
            return {};
        const ReviewRecords standing = *m_store->records(id);
        const QDateTime at(QDate(2026, 2, 3), QTime(9, 30, 15, 250), Qt::UTC);
        QList<ScreeningDecision> made;
        for (qsizetype i = 0; i < standing.size(); ++i) {
            const auto choice = ScreeningChoice(i % 3);
            made.append({standing.at(i).id, ScreeningStage::TitleAbstract, choice, review.reasons.at(i % 5),
                         i % 2 ? QStringLiteral("me") : QStringLiteral("colleague"), at.addSecs(i)});
            made.append({standing.at(i).id, ScreeningStage::FullText, choice, QStringLiteral("Report not retrieved"),
                         QStringLiteral("me"), at.addDays(i)});
        }
        if (!m_store->addDecisions(id, made))
            return {};
        return ReviewFile::write(*m_store, review).value_or(QByteArray());
    }

private slots:
    void importers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("title"); // of the first record, then its year, first page and DOI
        QTest::addColumn<QStringList>("fields");
        const QString title = QStringLiteral("Defining the process to literature searching in systematic reviews: a "
                                             "literature review of guidance and supporting studies.");
        const QStringList doi = {QStringLiteral("2018"), QStringLiteral("85"), QStringLiteral("10.1186/s12874-018-0545-3")};
        QTest::newRow("RIS: BOM, CR LF, continued title and author, DOI as URL") << "embase-ovid.ris" << 3 << title << doi;
        QTest::newRow("MEDLINE: wrapped fields") << "pubmed.nbib" << 3 << title << doi;
        QTest::newRow("BibTeX: braces, --") << "wos.bib" << 3 << title << doi;
        QTest::newRow("CSV: BOM, CR LF, quoted, DOI upper case")
            << "scopus.csv" << 3
            << "Defining the process to literature searching in systematic reviews - a literature review of guidance and supporting studies"
            << QStringList{doi.at(0), doi.at(1), doi.at(2).toUpper()};
    }
    void importers()
    {
        QFETCH(QString, file);
        QFETCH(int, records);
        QFETCH(QString, title);
        QFETCH(QStringList, fields);
        READ_TEST_DATA(bytes, kDir + file);
        const auto format = ReviewImport::detect(file, bytes);
        QVERIFY(format);
        const ReviewImport::Result result = ReviewImport::read(bytes, *format);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.records.size(), records);
        const ReviewRecord &first = result.records.constFirst();
        QCOMPARE(first.title, title);
        QCOMPARE((QStringList{first.year, ReviewDuplicates::firstPage(first.pages), first.doi}), fields);
        QCOMPARE(first.authors.size(), 5);
        QVERIFY(first.abstract.startsWith(QLatin1String("Systematic literature searching is recognised")));
        QCOMPARE(ReviewDuplicates::firstAuthor(first.authors), QStringLiteral("cooper"));
    }

    void badFilesSayTheLine_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::newRow("RIS without its ER") << int(Format::Ris) << QByteArray("TY  - JOUR\r\nTI  - A\r\nER  - \r\nTY  - JOUR\r\nTI  - B\r\n") << 4;
        QTest::newRow("RIS text before TY") << int(Format::Ris) << QByteArray("\xEF\xBB\xBFhello\nTY  - JOUR\nER  - \n") << 1;
        QTest::newRow("MEDLINE untagged line") << int(Format::Medline) << QByteArray("PMID- 1\nTI  - A\nnot a tag\n") << 3;
        QTest::newRow("BibTeX unclosed value") << int(Format::Bibtex) << QByteArray("@article{k,\n title = {A},\n year = {2019\n") << 3;
        QTest::newRow("BibTeX entry without its brace") << int(Format::Bibtex) << QByteArray("@article{a, title={A}}\n\n@article b,\n") << 3;
        QTest::newRow("MEDLINE continued before any tag") << int(Format::Medline) << QByteArray("\n      stray\nPMID- 1\n") << 2;
        QTest::newRow("CSV unclosed quote") << int(Format::Csv) << QByteArray("Title,Year\r\n\"A,2019\r\nB,2020\r\n") << 2;
        QTest::newRow("CSV extra field") << int(Format::Csv) << QByteArray("Title,Year\nA,2019\nB,2020,x\n") << 3;
        QTest::newRow("CSV without a title column") << int(Format::Csv) << QByteArray("Name,Year\nA,2019\n") << 1;
    }
    void badFilesSayTheLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QFETCH(int, line);
        const ReviewImport::Result result = ReviewImport::read(bytes, Format(format));
        QVERIFY(!result.ok());
        QVERIFY(result.records.isEmpty());
        QCOMPARE(result.line, line);
        QVERIFY2(result.error.startsWith(QStringLiteral("Line %1:").arg(result.line)), qPrintable(result.error));
    }

    void importedFields_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields"); // of the first record: title, authors, pages, PMID, year, keywords
        QTest::newRow("MEDLINE with short names only") << int(Format::Medline) << QByteArray("PMID- 7\nTI  - T\nAU  - Smith J\nAU  - Doe A\n")
                                                       << QStringList{"T", "Smith J|Doe A", "", "7", "", ""};
        QTest::newRow("RIS: the PMID of a PubMed address")
            << int(Format::Ris) << QByteArray("TY  - JOUR\nTI  - T\nUR  - https://pubmed.ncbi.nlm.nih.gov/12345/\nSP  - 5\nEP  - 9\nER  - \n")
            << QStringList{"T", "", "5-9", "12345", "", ""};
        QTest::newRow("BibTeX: accents, escapes, a bare year, a comment")
            << int(Format::Bibtex) << QByteArray("@comment{x}\n@article{k, title={M{\\\"u}ller \\& Co}, author={M{\\\"u}ller, J. and Doe, A.}, year = 2019,}\n")
            << QStringList{QStringLiteral("M\u00fcller & Co"), QStringLiteral("M\u00fcller, J.|Doe, A."), "", "", "2019", ""};
        QTest::newRow("CSV: page end, keywords, a quoted comma")
            << int(Format::Csv) << QByteArray("Title,Page start,Page end,Author Keywords,Year\n\"T, too\",12,19,a; b,2020\n")
            << QStringList{"T, too", "", "12-19", "", "2020", "a|b"};
    }
    void importedFields()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        const ReviewImport::Result result = ReviewImport::read(bytes, Format(format));
        QVERIFY2(result.ok(), qPrintable(result.error));
        const ReviewRecord &r = result.records.constFirst();
        QCOMPARE((QStringList{r.title, r.authors.join(u'|'), r.pages, r.pmid, r.year, r.keywords.join(u'|')}), fields);
    }

    void duplicateRules_data()
    {
        QTest::addColumn<ReviewRecord>("a");
        QTest::addColumn<ReviewRecord>("b");
        QTest::addColumn<int>("match");
        const QString t = QStringLiteral("Effect of early mobilisation on delirium in intensive care: a trial");
        const auto sure = int(ReviewDuplicates::Match::Sure), unsure = int(ReviewDuplicates::Match::Uncertain),
                   distinct = int(ReviewDuplicates::Match::Distinct);
        QTest::newRow("same PMID") << record("A", "2019", "1", "X", {}, "123") << record("B", "2020", "9", "Y", {}, "123") << sure;
        QTest::newRow("same DOI written differently")
            << record("A", "", "", "", "https://doi.org/10.1000/AbC.") << record("B", "", "", "", "doi:10.1000/abc") << sure;
        QTest::newRow("same DOI, percent-encoded in a link")
            << record("A", "", "", "", "https://dx.doi.org/10.1002%2Fbjs.1234") << record("B", "", "", "", "10.1002/BJS.1234") << sure;
        QTest::newRow("DOIs differ, all else alike")
            << record(t, "2019", "10", "Smith", "10.1/a") << record(t, "2019", "10", "Smith", "10.1/b") << distinct;
        QTest::newRow("PMIDs differ, same DOI")
            << record(t, "2019", "10", "Smith", "10.1/a", "1") << record(t, "2019", "10", "Smith", "10.1/a", "2") << distinct;
        QTest::newRow("case, punctuation, page range")
            << record(t, "2019", "110-9", "Smith, J") << record(t.toUpper().remove(u':') + u'.', "2019", "pp. 110–119", "") << sure;
        QTest::newRow("accents and a typo, first author")
            << record(QStringLiteral("Délire et mobilisation précoce en réanimation"), "2020", "", "Müller, A")
            << record(QStringLiteral("Delire et mobilsation precoce en reanimation"), "2020", "e55", "Muller A") << sure;
        QTest::newRow("same title, year differs") << record(t, "2019", "10", "Smith") << record(t, "2021", "10", "Smith") << unsure;
        QTest::newRow("same title, nothing else") << record(t, "2019", "10", "Smith") << record(t, "2021", "33", "Jones") << distinct;
        QTest::newRow("different title, same year and page")
            << record(t, "2019", "10", "Smith") << record(QStringLiteral("Early mobilisation after hip fracture surgery"), "2019", "10", "Smith") << distinct;
        QTest::newRow("identifier missing on one side")
            << record(t, "2019", "10", "Smith", "10.1/a", "77") << record(t, "2019", "10", "Smith") << sure;
    }
    void duplicateRules()
    {
        QFETCH(ReviewRecord, a);
        QFETCH(ReviewRecord, b);
        QFETCH(int, match);
        QCOMPARE(int(ReviewDuplicates::compare(a, b).match), match);
        QCOMPARE(int(ReviewDuplicates::compare(b, a).match), match);
    }

    // A title links three records, the outer two with different DOIs: one
    // set may take the middle one, never both; the other pair waits for the user.
    void setsNeverJoinTwoDois()
    {
        const QString t = QStringLiteral("Cement leakage after vertebroplasty: a series");
        ReviewRecords records{record(t, "2019", "10", "Smith", "10.1/x"), record(t, "2019", "10", "Smith"),
                              record(t, "2019", "10", "Smith", "10.1/y")};
        for (int i = 0; i < 3; ++i)
            records[i].id = i + 1;
        const ReviewDuplicates::Found found = ReviewDuplicates::find(records);
        QCOMPARE(found.merges.size(), 1);
        QVERIFY(found.merges.constFirst().kept == 2 || found.merges.constFirst().merged == 2);
        QCOMPARE(found.uncertain.size(), 1);
        const auto &pair = found.uncertain.constFirst();
        QVERIFY(ReviewDuplicates::find(records, {{pair.first, pair.second}}).uncertain.isEmpty());
    }

    // The records like those included come first once a few are decided.
    void mostLikelyRelevantFirst()
    {
        const QStringList titles = {"Cement leakage in vertebroplasty", "Vertebroplasty cement volume and leakage",
                                    "Statins after myocardial infarction", "Heart failure and statins in the elderly",
                                    "Leakage of bone cement in kyphoplasty", "Statin adherence after infarction"};
        ReviewRecords records;
        for (qsizetype i = 0; i < titles.size(); ++i) {
            records.append(record(titles.at(i), "2020", "", ""));
            records.last().id = i + 1;
        }
        RelevanceRanking ranking(records);
        QCOMPARE(ranking.ranked({5, 6}), (QList<qint64>{5, 6})); // unfitted: as they came
        ranking.refit({{1, true}, {2, true}, {3, false}, {4, false}});
        QCOMPARE(ranking.ranked({6, 5}), (QList<qint64>{5, 6}));
        QVERIFY(ranking.score(5) > 0.5 && ranking.score(6) < 0.5);
        // Before an exclusion the undecided stand in for the excluded; the records left open do not.
        ranking.refit({{1, true}});
        QVERIFY(ranking.isFitted());
        ranking.refit({{1, true}}, {2, 3, 4, 5, 6});
        QVERIFY(!ranking.isFitted());
    }

    // Twelve records of three articles from four databases: three stand, each found in all four; undo restores one.
    void deduplicationAcrossExports()
    {
        const qint64 review = importedReview();
        QVERIFY2(review, qPrintable(m_store ? m_store->error() : m_library->error()));
        const auto found = ReviewDeduplication::run(*m_store, review, QStringLiteral("me"), false);
        QVERIFY(found);
        QCOMPARE(found->merges.size(), 9);
        QCOMPARE(found->uncertain.size(), 0);
        const auto standing = m_store->records(review);
        QCOMPARE(standing->size(), 3);
        for (const ReviewRecord &r : *standing)
            QVERIFY2(!r.pmid.isEmpty() && !r.abstract.isEmpty(), "the most complete record is kept");
        const auto foundIn = m_store->foundIn(review);
        QCOMPARE(foundIn->value(standing->constFirst().id).size(), 4);
        QVERIFY(m_store->undoMerge(review, m_store->merges(review)->constFirst().id));
        QCOMPARE(m_store->records(review)->size(), 4);
        QCOMPARE(m_store->merges(review)->size(), 8);
        QCOMPARE(ReviewDeduplication::run(*m_store, review, QStringLiteral("me"), true)->merges.size(), 1);
        QVERIFY(!m_store->createReview({0, QStringLiteral("Searching"), {}, {}, {}, {}, {}, {}}));
        QCOMPARE(m_store->error(), ReviewMessages::nameTaken(QStringLiteral("Searching")));
        QVERIFY2(!ReviewDeduplication::confirm(*m_store, review, standing->at(0).id, standing->at(1).id, {}),
                 "records with different DOIs are never merged, even when the user says so");
        QVERIFY2(m_store->deleteReview(review), qPrintable(m_store->error())); // merged records and all
        QCOMPARE(m_store->reviews()->size(), 0);
    }

    // Counts of a small review: 12 identified, 9 duplicates, 3 screened; one
    // excluded, one on to the full text excluded for a reason, one included.
    // The same counts in a copy made from its shared file.
    void prismaCounts()
    {
        const qint64 review = importedReview();
        QVERIFY(ReviewDeduplication::run(*m_store, review, QStringLiteral("me"), false));
        const ReviewRecords standing = *m_store->records(review);
        const auto decide = [&](int i, ScreeningStage stage, ScreeningChoice choice, const QString &reason = {}) {
            return m_store->decide(review, {standing.at(i).id, stage, choice, reason, QStringLiteral("me"), {}});
        };
        QVERIFY(decide(0, ScreeningStage::TitleAbstract, ScreeningChoice::Exclude, QStringLiteral("Wrong outcome")));
        QVERIFY(decide(1, ScreeningStage::TitleAbstract, ScreeningChoice::Maybe));
        QVERIFY(decide(2, ScreeningStage::TitleAbstract, ScreeningChoice::Include));
        QVERIFY(decide(1, ScreeningStage::FullText, ScreeningChoice::Exclude, QStringLiteral("Wrong population")));
        QVERIFY(decide(2, ScreeningStage::FullText, ScreeningChoice::Exclude, QStringLiteral("Wrong outcome")));
        QVERIFY(decide(2, ScreeningStage::FullText, ScreeningChoice::Include)); // changed its mind: the newest counts
        const auto report = ReviewReport::read(*m_store, *m_store->review(QStringLiteral("Searching")));
        QVERIFY(report);
        const PrismaCounts c = report->counts();
        QCOMPARE(c.identifiedTotal(), 12);
        QCOMPARE(c.identified.size(), 4);
        QCOMPARE((QList<qint64>{c.duplicatesRemoved, c.screened, c.excludedScreening, c.sought, c.notRetrieved, c.assessed,
                                c.included}),
                 (QList<qint64>{9, 3, 1, 2, 0, 2, 1}));
        QCOMPARE(c.excludedReports, (QList<QPair<QString, qint64>>{{QStringLiteral("Wrong population"), 1}}));
        QCOMPARE(report->selected(ReviewReport::Selection::Included).constFirst().id, standing.at(2).id);
        // Shared whole with a colleague: the same counts there; their decisions back here give a kappa.
        const QByteArray shared = *ReviewFile::write(*m_store, *m_store->review(QStringLiteral("Searching")));
        QString error;
        const qint64 copy = ReviewFile::read(*m_store, shared, error, QStringLiteral("Copy")).value_or(0);
        QVERIFY2(copy, qPrintable(error));
        QCOMPARE(ReviewReport::read(*m_store, *m_store->review(QStringLiteral("Copy")))->counts().csv(), c.csv());
        const ReviewRecords theirs = *m_store->records(copy);
        QVERIFY(m_store->decide(copy, {theirs.at(0).id, ScreeningStage::TitleAbstract, ScreeningChoice::Include, {}, QStringLiteral("colleague"), {}}));
        QVERIFY(m_store->decide(copy, {theirs.at(1).id, ScreeningStage::TitleAbstract, ScreeningChoice::Maybe, {}, QStringLiteral("colleague"), {}}));
        QCOMPARE(ReviewFile::importDecisions(*m_store, *m_store->review(QStringLiteral("Searching")),
                                             *ReviewFile::write(*m_store, *m_store->review(QStringLiteral("Copy"))), QStringLiteral("me"), error),
                 2);
        const auto agreement = ScreenerAgreement::between(*m_store->decisions(review, ScreeningStage::TitleAbstract, QStringLiteral("me")),
                                                          *m_store->decisions(review, ScreeningStage::TitleAbstract, QStringLiteral("colleague")));
        QCOMPARE(agreement.disagreements, QList<qint64>{standing.at(0).id});
        QCOMPARE(m_store->undoDecision(review, ScreeningStage::FullText, QStringLiteral("me")), standing.at(2).id);
        QCOMPARE(m_store->decisions(review, ScreeningStage::FullText)->value(standing.at(2).id).choice, ScreeningChoice::Exclude);
    }

    // From PubMed: a record's empty fields, a DOI's PMID; what the source gave stays.
    void completedFromPubmed()
    {
        FakeEutilsServer server;
        server.serveEfetch();
        server.setHandler(QUrl(QLatin1String(Paths::ESearch)).path(), [](const QUrl &url) {
            const bool known = QUrlQuery(url).queryItemValue(QStringLiteral("term"), QUrl::FullyDecoded) == QLatin1String("\"10.5195/jmla.2018.323\"[doi]");
            return FakeResponse::xml(FakeEutilsServer::esearchAnswer(known ? 1 : 0, 0, 1, [](int) { return QStringLiteral("29632442"); }));
        });
        m_library = std::make_unique<LibraryStore>(m_dir.filePath(QStringLiteral("l%1.sqlite").arg(++m_files)));
        QCOMPARE(m_library->open(), LibraryStore::OpenState::Opened);
        m_store = std::make_unique<ReviewStore>(*m_library);
        const qint64 review = *m_store->createReview({0, QStringLiteral("Complete"), {}, {}, {}, {}, {}, {}});
        ReviewRecords records{record(QStringLiteral("Own title"), "", "", "", {}, "30107788"),
                              record("", "", "", "", "https://doi.org/10.5195/JMLA.2018.323"), record("Unknown", "", "", "", "10.9/none")};
        records[0].journal = QStringLiteral("Own journal");
        QVERIFY(m_store->addSource(review, {0, QStringLiteral("Scopus"), {}, {}, QDate(2026, 1, 5), 0}, records));
        ReviewCompletion completion(*m_store, server.endpoints());
        QSignalSpy finished(&completion, &ReviewCompletion::finished);
        QVERIFY(completion.start(review));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.constFirst().constFirst().value<qsizetype>(), 2);
        const ReviewRecords now = *m_store->records(review);
        QCOMPARE((QStringList{now.at(0).title, now.at(0).journal, now.at(0).doi}),
                 (QStringList{"Own title", "Own journal", "10.1186/s12874-018-0545-3"}));
        QVERIFY2(now.at(0).abstract.contains(QLatin1String("Systematic literature searching is recognised")), qPrintable(now.at(0).abstract.left(80)));
        QCOMPARE((QStringList{now.at(1).pmid, now.at(1).title}),
                 (QStringList{"29632442", "It takes longer than you think: librarian time spent on systematic review tasks."}));
        QVERIFY2(now.at(2).pmid.isEmpty() && now.at(2).abstract.isEmpty(), "a DOI PubMed does not know changes nothing");
    }

    void decisionsSurviveAKill()
    {
        QVERIFY(importedReview() == 1);
        const QString path = m_library->path();
        QProcess child;
        child.start(m_program, {QLatin1String(kChildSwitch), path});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("decided 5") && child.waitForReadyRead(10000))
            said += child.readAllStandardOutput();
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
        QVERIFY2(said.contains("decided 5"), said.constData());
        const qsizetype told = said.count("decided");
        const auto kept = m_store->decisions(1, ScreeningStage::TitleAbstract, QStringLiteral("child"));
        QVERIFY(kept);
        QVERIFY2(kept->size() >= told, qPrintable(QStringLiteral("%1 kept of %2 told").arg(kept->size()).arg(told)));
        // A decision that did not wait leaves the library's other writers waiting for the disk.
        QVERIFY(m_store->decide(1, {kept->cbegin().key(), ScreeningStage::FullText, ScreeningChoice::Include, {}, "parent", {}},
                                LibraryStore::Sync::Later));
        QSqlQuery mode(QSqlDatabase::database(QSqlDatabase::connectionNames().constFirst()));
        QVERIFY(mode.exec(QStringLiteral("PRAGMA synchronous")) && mode.next());
        QCOMPARE(mode.value(0).toInt(), 2); // FULL
        QVERIFY2(m_store->syncDecisions(), qPrintable(m_store->error()));
    }

    // Another library reads the shared file into the same review: records,
    // sources, merges and decisions with who and when.
    void sharedFileRoundTrip()
    {
        const QByteArray shared = sharedReview();
        QVERIFY(!shared.isEmpty());
        const QStringList original = contents(*m_store, *m_store->review(QStringLiteral("Searching")));
        QCOMPARE(original.filter(QStringLiteral("merge ")).size(), 8);
        LibraryStore other(m_dir.filePath(QStringLiteral("other%1.sqlite").arg(++m_files)));
        QCOMPARE(other.open(), LibraryStore::OpenState::Opened);
        ReviewStore theirs(other);
        QString error;
        QVERIFY2(ReviewFile::read(theirs, shared, error), qPrintable(error));
        QCOMPARE(contents(theirs, *theirs.review(QStringLiteral("Searching"))), original);
    }

    // A file that is not a whole review of ours is refused with a clear message; nothing of it is kept.
    void badSharedFilesImportNothing_data()
    {
        QTest::addColumn<QString>("key");    // of the good file, set to `value`; "" for `value` as the whole file
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("error");
        const QString notOurs = ReviewMessages::badReviewFile();
        QTest::newRow("not JSON") << "" << QByteArray("PK\x03\x04 a zip") << notOurs;
        QTest::newRow("another program's JSON") << "" << QByteArray(R"({"items": [{"title": "A"}]})") << notOurs;
        QTest::newRow("a later version of the file") << "vexmoor-review" << QByteArray("2") << notOurs;
        QTest::newRow("cut short") << "half" << QByteArray() << notOurs;
        QTest::newRow("a decision of an unknown kind")
            << "decisions" << QByteArray(R"([{"record": 1, "stage": "title-abstract", "choice": "perhaps"}])") << notOurs;
        QTest::newRow("a decision on a record it does not hold")
            << "decisions" << QByteArray(R"([{"record": 999999, "stage": "title-abstract", "choice": "include"}])") << notOurs;
        QTest::newRow("a merge of a record it does not hold")
            << "merges" << QByteArray(R"([{"kept": 999999, "merged": 1, "rule": "same DOI"}])") << ReviewMessages::noSuchRecord();
        QTest::newRow("a merge across two DOIs")
            << "merges" << QByteArray(R"([{"kept": 1, "merged": 13, "rule": "same DOI"}])") << ReviewMessages::identifiersDiffer();
        QTest::newRow("a name in use") << "name" << QByteArray() << ReviewMessages::nameTaken(QStringLiteral("Searching"));
    }
    void badSharedFilesImportNothing()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, value);
        QFETCH(QString, error);
        const QByteArray good = sharedReview();
        QVERIFY(!good.isEmpty());
        QByteArray bytes = value;
        if (key == QLatin1String("half")) {
            bytes = good.left(good.size() / 2);
        } else if (!key.isEmpty() && key != QLatin1String("name")) {
            QJsonObject root = QJsonDocument::fromJson(good).object();
            root.insert(key, QJsonDocument::fromJson("[" + value + "]").array().at(0));
            bytes = QJsonDocument(root).toJson();
        } else if (key == QLatin1String("name")) {
            bytes = good;
        }
        const qsizetype before = m_store->reviews()->size();
        QString said;
        QVERIFY(!ReviewFile::read(*m_store, bytes, said, key == QLatin1String("name") ? QString() : QStringLiteral("Copy")));
        QCOMPARE(said, error);
        QCOMPARE(m_store->reviews()->size(), before);
        QCOMPARE(onLibrary(m_library->path(), QStringLiteral("SELECT (SELECT count(*) FROM review_record) + (SELECT count(*) FROM review_source)")),
                 QVariant(13 + 5));
    }

    // A second screener's decisions land on the same record of ours, found by
    // PMID, DOI, or title and year, never on one whose identifiers differ; ours in their file are left out.
    void secondScreenersDecisions_data()
    {
        QTest::addColumn<ReviewRecord>("ours");
        QTest::addColumn<ReviewRecord>("theirs");
        QTest::addColumn<QString>("who");
        QTest::addColumn<int>("taken");
        const QString t = QStringLiteral("Librarian time spent on systematic review tasks");
        QTest::newRow("same PMID") << record(t, "2018", "", "", {}, "29632442") << record("Other", "2017", "", "", {}, "29632442") << "colleague" << 1;
        QTest::newRow("PMID on our side only, same DOI")
            << record(t, "2018", "", "", "10.5195/jmla.2018.323", "29632442") << record(t, "2018", "", "", "https://doi.org/10.5195/JMLA.2018.323") << "colleague" << 1;
        QTest::newRow("no identifiers, title written differently")
            << record(t, "2018", "", "") << record(t.toUpper() + QLatin1Char('.'), "2018", "", "") << "colleague" << 1;
        QTest::newRow("same title, another year") << record(t, "2018", "", "") << record(t, "2019", "", "") << "colleague" << 0;
        QTest::newRow("same DOI, PMIDs differ")
            << record(t, "2018", "", "", "10.1/a", "1") << record(t, "2018", "", "", "10.1/a", "2") << "colleague" << 0;
        QTest::newRow("same title and year, DOIs differ")
            << record(t, "2018", "", "", "10.1/a") << record(t, "2018", "", "", "10.1/b") << "colleague" << 0;
        QTest::newRow("our own decision in their file") << record(t, "2018", "", "") << record(t, "2018", "", "") << "me" << 0;
    }
    void secondScreenersDecisions()
    {
        QFETCH(ReviewRecord, ours);
        QFETCH(ReviewRecord, theirs);
        QFETCH(QString, who);
        QFETCH(int, taken);
        m_library = std::make_unique<LibraryStore>(m_dir.filePath(QStringLiteral("l%1.sqlite").arg(++m_files)));
        QCOMPARE(m_library->open(), LibraryStore::OpenState::Opened);
        m_store = std::make_unique<ReviewStore>(*m_library);
        const auto make = [&](const QString &name, const ReviewRecord &r) {
            const qint64 id = m_store->createReview({0, name, {}, {}, {}, {}, {}, {}}).value_or(0);
            return m_store->addSource(id, {0, QStringLiteral("PubMed"), {}, {}, QDate(2026, 1, 5), 0}, {record("Unrelated", "2001", "", ""), r}) ? id : 0;
        };
        const qint64 mine = make(QStringLiteral("Mine"), ours), copy = make(QStringLiteral("Theirs"), theirs);
        QVERIFY(mine && copy);
        const qint64 decided = m_store->records(copy)->at(1).id;
        QVERIFY(m_store->decide(copy, {decided, ScreeningStage::TitleAbstract, ScreeningChoice::Exclude, QStringLiteral("Wrong outcome"), who, {}}));
        QVERIFY(m_store->decide(mine, {m_store->records(mine)->at(1).id, ScreeningStage::TitleAbstract, ScreeningChoice::Include, {}, QStringLiteral("me"), {}}));
        QString error;
        const Review review = *m_store->review(QStringLiteral("Mine"));
        QCOMPARE(ReviewFile::importDecisions(*m_store, review, *ReviewFile::write(*m_store, *m_store->review(QStringLiteral("Theirs"))),
                                             QStringLiteral("me"), error), qsizetype(taken));
        const auto agreement = ScreenerAgreement::between(*m_store->decisions(mine, ScreeningStage::TitleAbstract, QStringLiteral("me")),
                                                          *m_store->decisions(mine, ScreeningStage::TitleAbstract, QStringLiteral("colleague")));
        QCOMPARE(agreement.disagreements.size(), qsizetype(taken));
    }

    // A write that fails midway leaves nothing of itself: the library refuses
    // the rows titled, ruled or reasoned "boom" once the review is there.
    void failedWritesLeaveNothing_data()
    {
        QTest::addColumn<QString>("write");
        QTest::newRow("an import") << "import";
        QTest::newRow("a deduplication") << "merges";
        QTest::newRow("decisions from elsewhere") << "decisions";
        QTest::newRow("a shared review") << "shared";
    }
    void failedWritesLeaveNothing()
    {
        QFETCH(QString, write);
        const qint64 id = importedReview();
        QVERIFY(id);
        const ReviewRecords records = *m_store->records(id);
        const auto decision = [&](qsizetype i, const QString &reason) {
            return ScreeningDecision{records.at(i).id, ScreeningStage::TitleAbstract, ScreeningChoice::Exclude, reason, QStringLiteral("me"), {}};
        };
        QVERIFY(m_store->decide(id, decision(0, QStringLiteral("boom"))));
        const QByteArray shared = *ReviewFile::write(*m_store, *m_store->review(QStringLiteral("Searching")));
        for (const auto &[table, column] : {std::pair("review_record", "title"), {"review_merge", "rule"}, {"review_decision", "reason"}})
            QVERIFY(onLibrary(m_library->path(), QStringLiteral("CREATE TRIGGER boom_%1 BEFORE INSERT ON %1 WHEN NEW.%2 = 'boom'"
                                                                " BEGIN SELECT RAISE(ABORT, 'planted'); END")
                                                     .arg(QLatin1String(table), QLatin1String(column))).isValid());
        const QString rows = QStringLiteral("SELECT group_concat(n) FROM (SELECT count(*) n FROM review UNION ALL SELECT count(*) FROM review_source"
                                            " UNION ALL SELECT count(*) FROM review_record WHERE merged_into IS NULL UNION ALL SELECT count(*) FROM review_merge"
                                            " UNION ALL SELECT count(*) FROM review_decision)");
        const QVariant before = onLibrary(m_library->path(), rows);
        QString error;
        if (write == QLatin1String("import")) {
            QVERIFY(!m_store->addSource(id, {0, QStringLiteral("CINAHL"), {}, {}, QDate(2026, 1, 5), 0},
                                        {record("First", "2020", "", ""), record("boom", "2020", "", ""), record("Last", "2020", "", "")}));
        } else if (write == QLatin1String("merges")) {
            QList<ReviewDuplicates::Merge> merges = ReviewDeduplication::run(*m_store, id, {}, true)->merges;
            merges.last().rule = QStringLiteral("boom");
            QVERIFY(!m_store->merge(id, merges, QStringLiteral("me")));
        } else if (write == QLatin1String("decisions")) {
            QVERIFY(!m_store->addDecisions(id, {decision(1, QStringLiteral("Wrong outcome")), decision(2, QStringLiteral("boom"))}));
        } else {
            QVERIFY(!ReviewFile::read(*m_store, shared, error, QStringLiteral("Copy")));
        }
        QCOMPARE(onLibrary(m_library->path(), rows), before);
        QVERIFY(!m_store->error().isEmpty() || !error.isEmpty());
    }

    // A stage's records written out: read back by our own importers they are
    // the same records, their decisions and reasons in the note; BibTeX keys are unique.
    void stageExports_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("written"); // a part
        QTest::newRow("RIS") << int(Format::Ris) << QByteArray("N1  - Title and abstract: Exclude (Wrong outcome), me 2026-02-03T09:30:00Z");
        QTest::newRow("CSV") << int(Format::Csv) << QByteArray("\"Title and abstract: Exclude (Wrong outcome), me 2026-02-03T09:30:00Z; Found in: ");
        QTest::newRow("BibTeX") << int(Format::Bibtex) << QByteArray("title = {{Cement \"leak\", \\textbraceleft{}braced\\textbraceright{} and more}}");
    }
    void stageExports()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, written);
        const qint64 id = importedReview();
        ReviewRecord odd = record(QStringLiteral("Cement \"leak\", {braced} and more"), "2021", "e15", "Doe, Jane", "10.9/odd");
        odd.journal = QStringLiteral("Spine; and, \"joints\"");
        QVERIFY(m_store->addSource(id, {0, QStringLiteral("CINAHL"), {}, {}, QDate(2026, 1, 5), 0}, {odd, record("Second without PMID", "2022", "3", "Roe, R")}));
        QVERIFY(ReviewDeduplication::run(*m_store, id, QStringLiteral("me"), false));
        const ReviewRecords standing = *m_store->records(id);
        QVERIFY(m_store->decide(id, {standing.at(0).id, ScreeningStage::TitleAbstract, ScreeningChoice::Exclude, QStringLiteral("Wrong outcome"),
                                     QStringLiteral("me"), QDateTime(QDate(2026, 2, 3), QTime(9, 30), Qt::UTC)}));
        const auto report = ReviewReport::read(*m_store, *m_store->review(QStringLiteral("Searching")));
        const QList<Reference> references = report->references(report->selected(ReviewReport::Selection::All));
        const QByteArray bytes = format == int(Format::Ris) ? RisWriter::write(references)
                                 : format == int(Format::Csv) ? CsvWriter::write(references) : BibtexWriter::write(references);
        QVERIFY2(bytes.contains(written), bytes.constData());
        if (format == int(Format::Bibtex)) {
            QSet<QString> keys;
            for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("@\\w+\\{([^,]+),")).globalMatch(QString::fromUtf8(bytes)))
                keys.insert(m.captured(1));
            QCOMPARE(keys.size(), standing.size());
            return;
        }
        const ReviewImport::Result back = ReviewImport::read(bytes, Format(format));
        QVERIFY2(back.ok(), qPrintable(back.error));
        // A CSV cell holds all the authors, as a spreadsheet shows them.
        const auto fields = [&](const ReviewRecords &records) {
            QStringList out;
            for (const ReviewRecord &r : records)
                out.append(QStringList{r.title, format == int(Format::Csv) ? QString() : r.authors.join(u';'), r.journal, r.year, r.volume, r.issue, r.pages, r.doi, r.pmid, r.abstract}.join(u'|'));
            return out;
        };
        QCOMPARE(fields(back.records), fields(standing));
    }

    // The boxes below screening from each record's newest decisions; letters
    // per record: i include, e exclude, m maybe, - none; at the full text a
    // digit excludes for the review's reason of that number, n as not
    // retrieved, o for a reason of the screener's own, x for none given.
    void prismaBoxes_data()
    {
        QTest::addColumn<QString>("titleAbstract");
        QTest::addColumn<QString>("fullText");
        QTest::addColumn<QList<qint64>>("counts"); // excluded, awaiting screening, sought, not retrieved, assessed, awaiting assessment, included
        QTest::addColumn<QString>("reasons");
        QTest::newRow("per reason, in the review's order") << "iiii" << "3113" << QList<qint64>{0, 0, 4, 0, 4, 0, 0}
                                                          << "Wrong population 2; Wrong study design 2";
        QTest::newRow("not retrieved is not assessed") << "iim" << "nni" << QList<qint64>{0, 0, 3, 2, 1, 0, 1} << "";
        QTest::newRow("excluded at screening goes no further") << "eie-" << "ii--" << QList<qint64>{2, 1, 1, 0, 1, 0, 1} << "";
        QTest::newRow("reasons of their own after the review's") << "iii" << "ox1" << QList<qint64>{0, 0, 3, 0, 3, 0, 0}
                                                                << "Wrong population 1; No reason given 1; Conference abstract 1";
        QTest::newRow("maybe at the full text waits") << "im" << "m-" << QList<qint64>{0, 0, 2, 0, 2, 2, 0} << "";
    }
    void prismaBoxes()
    {
        QFETCH(QString, titleAbstract);
        QFETCH(QString, fullText);
        QFETCH(QList<qint64>, counts);
        QFETCH(QString, reasons);
        const Review review{0, QStringLiteral("Boxes"), {}, {}, {}, ReviewMessages::defaultReasons(), {}, {}};
        ReviewRecords standing;
        QHash<qint64, ScreeningDecision> first, second;
        for (qsizetype i = 0; i < titleAbstract.size(); ++i) {
            standing.append(record(QString::number(i), "2020", "", ""));
            standing.last().id = i + 1;
            const char a = titleAbstract.at(i).toLatin1(), b = fullText.at(i).toLatin1();
            if (a != '-')
                first.insert(i + 1, {i + 1, ScreeningStage::TitleAbstract, a == 'i' ? ScreeningChoice::Include : a == 'e' ? ScreeningChoice::Exclude : ScreeningChoice::Maybe, {}, {}, {}});
            const QString reason = b == 'n' ? ReviewMessages::notRetrieved() : b == 'o' ? QStringLiteral("Conference abstract")
                                   : b >= '1' && b <= '5'                   ? review.reasons.at(b - '1') : QString();
            if (b != '-')
                second.insert(i + 1, {i + 1, ScreeningStage::FullText, b == 'i' ? ScreeningChoice::Include : b == 'm' ? ScreeningChoice::Maybe : ScreeningChoice::Exclude, reason, {}, {}});
        }
        const PrismaCounts c = PrismaCounts::compute(review, {}, 0, standing, first, second);
        QCOMPARE((QList<qint64>{c.excludedScreening, c.awaitingScreening, c.sought, c.notRetrieved, c.assessed, c.awaitingAssessment, c.included}), counts);
        QStringList named;
        for (const auto &[reason, count] : c.excludedReports)
            named.append(reason + u' ' + QString::number(count));
        QCOMPARE(named.join(QStringLiteral("; ")), reasons);
    }

    // The searches documented: every database with its interface, date, count and strategy as run, verbatim.
    void searchDocumentation()
    {
        const QByteArray shared = sharedReview();
        QVERIFY(!shared.isEmpty());
        const QString strategy = QStringLiteral("1. exp Librarians/\n2. search* | retriev*.tw.\n3. 1 and 2");
        QVERIFY(m_store->addSource(1, {0, QStringLiteral("Embase"), QStringLiteral("Ovid"), strategy, QDate(2026, 2, 2), 0},
                                   {record("One", "2020", "", ""), record("Two", "2020", "", "")}));
        const QString markdown = ReviewReport::read(*m_store, *m_store->review(QStringLiteral("Searching")))->searchDocumentation();
        for (const QString &part : {QStringLiteral("| PubMed |  | 2026-01-05 | 3 |  |\n"),
                                    QStringLiteral("| CINAHL | EBSCOhost | 2026-02-01 | 1 | (MH \"Librarians\") AND search* |\n"),
                                    QStringLiteral("| Embase | Ovid | 2026-02-02 | 2 | 1. exp Librarians/ 2. search* \\| retriev*.tw. 3. 1 and 2 |\n"),
                                    QStringLiteral("### Embase, 2026-02-02 (2 records)\n\n```\n") + strategy + QStringLiteral("\n```\n"),
                                    QStringLiteral("Records identified: 15; duplicates removed: 8; records screened: 7.")})
            QVERIFY2(markdown.contains(part), qPrintable(markdown));
    }

    void kappa_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<double>("kappa");
        QTest::addColumn<int>("disagreements");
        // i include, e exclude, m maybe; one letter per record.
        QTest::newRow("textbook 2x2: 20/5/10/15") << "iiiiiiiiiiiiiiiiiiiiiiiiieeeeeeeeeeeeeeeeeeeeeeeee"
                                                  << "iiiiiiiiiiiiiiiiiiiieeeeeiiiiiiiiiieeeeeeeeeeeeeee" << 0.4 << 15;
        QTest::newRow("always agree") << "iiee" << "iiee" << 1.0 << 0;
        QTest::newRow("agree on one choice only") << "eeee" << "eeee" << 1.0 << 0;
        QTest::newRow("worse than chance") << "ie" << "ei" << -1.0 << 2;
        QTest::newRow("three choices") << "iemiem" << "iemmei" << 0.5 << 2;
    }
    void kappa()
    {
        const auto decisions = [](const QString &letters) {
            QHash<qint64, ScreeningDecision> out;
            for (qsizetype i = 0; i < letters.size(); ++i) {
                const char c = letters.at(i).toLatin1();
                out.insert(i, {i, {}, c == 'i' ? ScreeningChoice::Include : c == 'e' ? ScreeningChoice::Exclude : ScreeningChoice::Maybe, {}, {}, {}});
            }
            return out;
        };
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(double, kappa);
        QFETCH(int, disagreements);
        const ScreenerAgreement agreement = ScreenerAgreement::between(decisions(first), decisions(second));
        QVERIFY(agreement.kappa);
        QVERIFY2(qAbs(*agreement.kappa - kappa) < 1e-9, qPrintable(QString::number(*agreement.kappa)));
        QCOMPARE(agreement.disagreements.size(), disagreements);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String(kChildSwitch))
        return decideAsChild(args.at(2));
    ReviewTest test(app.applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "ReviewTest.moc"
