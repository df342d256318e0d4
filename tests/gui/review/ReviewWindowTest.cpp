// A review's window: screening by keys alone, each decision in the store at
// once; the flow diagram written as SVG, PNG and PDF.
#include "AppHarness.h"
#include "TestData.h"

#include "gui/mainwindow/ResultTabs.h"
#include "gui/review/PrismaView.h"
#include "gui/review/ReviewActions.h"
#include "gui/review/ReviewTexts.h"
#include "gui/review/ReviewWorkspace.h"
#include "gui/review/ScreeningView.h"
#include "library/LibraryStore.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>

class ReviewWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // A review in a library of its own; its id is 0 when it could not be made.
    static Review newReview(LibraryStore &library, ReviewStore &store)
    {
        Review review;
        review.name = QStringLiteral("Keys");
        review.reasons = ReviewMessages::defaultReasons();
        if (library.open() == LibraryStore::OpenState::Opened)
            review.id = store.createReview(review).value_or(0);
        return review;
    }

    // Each record's title and abstract decision in the order added, "-" for none.
    static QStringList decided(ReviewStore &store, qint64 review)
    {
        const ReviewRecords standing = store.records(review).value_or(ReviewRecords{});
        const auto decisions = store.decisions(review, ScreeningStage::TitleAbstract).value_or(QHash<qint64, ScreeningDecision>{});
        QStringList found;
        for (const ReviewRecord &r : standing) {
            const auto d = decisions.constFind(r.id);
            found.append(d == decisions.cend() ? QStringLiteral("-") : (choiceKey(d->choice) + u' ' + d->reason).trimmed());
        }
        return found;
    }

    template<typename Widget>
    static Widget *named(const QWidget &parent, const QString &accessibleName)
    {
        for (Widget *widget : parent.findChildren<Widget *>()) {
            if (widget->accessibleName() == accessibleName)
                return widget;
        }
        return nullptr;
    }

private slots:
    // Each step is a key sequence to type, or an item of the stage, filter
    // or order box to choose.
    static void run(ReviewWorkspace &workspace, const QStringList &steps)
    {
        workspace.show();
        QVERIFY(QTest::qWaitForWindowExposed(&workspace));
        workspace.findChild<QTabWidget *>()->setCurrentWidget(workspace.screening());
        QWidget *record = workspace.screening()->findChild<QWidget *>(QStringLiteral("screeningRecord"));
        record->setFocus();
        for (const QString &step : steps) {
            bool chosen = false;
            for (QComboBox *box : workspace.screening()->findChildren<QComboBox *>()) {
                if (const int at = box->findText(step); at >= 0) {
                    box->setCurrentIndex(at);
                    emit box->activated(at);
                    chosen = true;
                }
            }
            for (const QChar key : chosen ? QString() : step)
                QTest::keyClick(record, key.toLatin1());
        }
    }
    static QString shownText(ReviewWorkspace &workspace)
    {
        return workspace.screening()->findChild<QTextBrowser *>(QStringLiteral("screeningRecord"))->toPlainText();
    }

    void screeningKeys_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("stored"); // the three records' title and abstract decisions, "-" for none
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("shows"); // in the record on screen at the end
        const QString noText = ReviewTexts::noFullText();
        QTest::newRow("I includes, and the next is shown") << QStringList{"II"} << QStringList{"include", "include", "-"} << "2 of 3 decided" << "";
        QTest::newRow("a number excludes for that reason") << QStringList{"2"} << QStringList{"exclude Wrong intervention", "-", "-"} << "1 of 3 decided" << "";
        QTest::newRow("a number past the reasons does nothing") << QStringList{"9"} << QStringList{"-", "-", "-"} << "0 of 3 decided" << "";
        QTest::newRow("M, then U takes it back") << QStringList{"MIU"} << QStringList{"maybe", "-", "-"} << "1 of 3 decided" << "";
        QTest::newRow("N steps past, P comes back") << QStringList{"NIPM"} << QStringList{"maybe", "include", "-"} << "2 of 3 decided" << "";
        QTest::newRow("Maybe shows the maybes alone") << QStringList{"MIM", "Maybe", "NI"} << QStringList{"maybe", "include", "include"} << "3 of 3 decided" << "";
        QTest::newRow("a reason shows those excluded for it alone") << QStringList{"212", "Excluded: Wrong intervention", "NI"}
                                                                   << QStringList{"exclude Wrong intervention", "exclude Wrong population", "include"} << "3 of 3 decided" << "";
        QTest::newRow("Undecided hides the decided") << QStringList{"All records", "NI", "Undecided", "PI"} << QStringList{"include", "include", "-"} << "2 of 3 decided" << "";
        QTest::newRow("a decision under All records moves on") << QStringList{"All records", "IM"} << QStringList{"include", "maybe", "-"} << "2 of 3 decided" << "";
        QTest::newRow("full text: the kept text") << QStringList{"I", "Full text"} << QStringList{"include", "-", "-"} << "0 of 1 decided" << "Kept text of 30107788";
        QTest::newRow("full text: no PMID, the note") << QStringList{"NNI", "Full text"} << QStringList{"-", "-", "include"} << "0 of 1 decided" << noText;
        QTest::newRow("full text: all that passed count, whatever is shown") << QStringList{"III", "Full text", "M", "Maybe"}
                                                                            << QStringList{"include", "include", "include"} << "1 of 3 decided" << "";
    }
    void screeningKeys()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, stored);
        QFETCH(QString, progress);
        QFETCH(QString, shows);
        LibraryStore library(m_dir.filePath(QStringLiteral("%1.sqlite").arg(++m_files)));
        ReviewStore store(library);
        const Review review = newReview(library, store);
        READ_TEST_DATA(bytes, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/review/pubmed.nbib"));
        ReviewRecords records = ReviewImport::read(bytes, ReviewImport::Format::Medline).records;
        records[2].pmid.clear(); // as another database's record may come
        QVERIFY(store.addSource(review.id, {0, QStringLiteral("PubMed"), {}, {}, QDate(2026, 1, 5), 0}, records));
        ReviewWorkspace workspace(library, review, QStringLiteral("me"), [](qint64 pmid) { return QStringLiteral("Kept text of %1").arg(pmid); }, {});
        workspace.setAttribute(Qt::WA_DeleteOnClose, false);
        run(workspace, steps);
        QCOMPARE(decided(store, review.id), stored);
        QStringList labels;
        for (const QLabel *label : workspace.screening()->findChildren<QLabel *>())
            labels.append(label->text());
        QVERIFY2(labels.contains(progress), qPrintable(labels.join(u'|')));
        QVERIFY2(shownText(workspace).contains(shows), qPrintable(shownText(workspace)));
    }

    // Once one is included, the record like it comes before one added
    // earlier that is not, and the next after that too.
    void relevanceOrder_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("in the order added") << ReviewTexts::orderAdded() << QStringList{"include", "include", "include", "-"};
        QTest::newRow("most likely relevant first") << ReviewTexts::mostRelevant() << QStringList{"include", "-", "include", "include"};
    }
    void relevanceOrder()
    {
        QFETCH(QString, order);
        QFETCH(QStringList, stored);
        LibraryStore library(m_dir.filePath(QStringLiteral("%1.sqlite").arg(++m_files)));
        ReviewStore store(library);
        const Review review = newReview(library, store);
        ReviewRecords records;
        for (const char *title : {"Cement leakage in percutaneous vertebroplasty of osteoporotic fractures",
                                  "Malaria vaccination of children in Ghana", "Vertebroplasty: cement leakage into the spinal canal",
                                  "Cement leakage after kyphoplasty and vertebroplasty"}) {
            records.append(ReviewRecord{});
            records.last().title = QString::fromLatin1(title);
        }
        QVERIFY(store.addSource(review.id, {0, QStringLiteral("Embase"), {}, {}, QDate(2026, 1, 5), 0}, records));
        ReviewWorkspace workspace(library, review, QStringLiteral("me"), noFullText(), {});
        workspace.setAttribute(Qt::WA_DeleteOnClose, false);
        run(workspace, {order, "III"});
        QCOMPARE(decided(store, review.id), stored);
    }

    // Opened from the window, a review is a tab beside the results, one
    // however often it is opened, and its decisions carry the name the
    // preferences give.
    void reviewOpensAsATabSignedByThePreferencesName()
    {
        AppHarness h;
        h.store.setObject(PreferenceKeys::ContactEmail, QStringLiteral("me@example.org"));
        h.store.setObject(PreferenceKeys::ScreenerName, QStringLiteral(" A. Screener "));
        AppController &c = h.start();
        ReviewStore store(h.library);
        Review review;
        review.name = QStringLiteral("Tabbed");
        review.id = store.createReview(review).value_or(0);
        QVERIFY(store.addSource(review.id, {0, QStringLiteral("Embase"), {}, {}, QDate(2026, 1, 5), 0}, {ReviewRecord{}}));
        auto *actions = c.findChild<ReviewActions *>();
        auto *tabs = h.widget<ResultTabs>("resultTabs");
        ReviewWorkspace *workspace = actions->open(review.name);
        tabs->setCurrentIndex(0);
        QCOMPARE(actions->open(review.name), workspace);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->currentWidget(), workspace);
        workspace->findChild<QTabWidget *>()->setCurrentWidget(workspace->screening());
        QWidget *record = workspace->screening()->findChild<QWidget *>(QStringLiteral("screeningRecord"));
        c.window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        record->setFocus();
        QTest::keyClick(record, Qt::Key_I);
        const auto decisions = *store.decisions(review.id, ScreeningStage::TitleAbstract);
        QCOMPARE(decisions.size(), 1);
        QCOMPARE(decisions.cbegin()->who, QStringLiteral("A. Screener"));
    }

    void duplicatePairsByKeys_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<bool>("undo"); // then Undo Merge on the merge listed
        QTest::addColumn<QStringList>("years"); // of the records standing
        QTest::addColumn<int>("distinct");
        QTest::newRow("Y merges the pair") << 'Y' << false << QStringList{"2019"} << 0;
        QTest::newRow("N keeps them apart for good") << 'N' << false << QStringList{"2019", "2020"} << 1;
        QTest::newRow("Undo Merge gives both back") << 'Y' << true << QStringList{"2019", "2020"} << 0;
    }
    void duplicatePairsByKeys()
    {
        QFETCH(char, key);
        QFETCH(bool, undo);
        QFETCH(QStringList, years);
        QFETCH(int, distinct);
        LibraryStore library(m_dir.filePath(QStringLiteral("%1.sqlite").arg(++m_files)));
        ReviewStore store(library);
        const Review review = newReview(library, store);
        ReviewRecord first, second;
        first.title = second.title = QStringLiteral("Cement leakage after vertebroplasty");
        first.year = QStringLiteral("2019");
        second.year = QStringLiteral("2020"); // a year apart: for the user to judge
        first.pages = second.pages = QStringLiteral("10-19");
        QVERIFY(store.addSource(review.id, {0, QStringLiteral("Embase"), {}, {}, QDate(2026, 1, 5), 0}, {first, second}));
        ReviewWorkspace workspace(library, review, QStringLiteral("me"), noFullText(), {});
        workspace.setAttribute(Qt::WA_DeleteOnClose, false);
        workspace.show();
        QVERIFY(QTest::qWaitForWindowExposed(&workspace));
        auto *tabs = workspace.findChild<QTabWidget *>();
        tabs->setCurrentIndex(1);
        auto *find = workspace.findChild<QPushButton *>(QStringLiteral("findDuplicatesButton"));
        find->click();
        QTRY_VERIFY(find->isEnabled()); // compared on a thread of its own
        QTest::keyClick(QApplication::focusWidget(), key);
        if (undo) {
            named<QListWidget>(workspace, ReviewTexts::mergesLabel())->setCurrentRow(0);
            named<QPushButton>(workspace, ReviewTexts::undoMerge())->click();
        }
        QStringList standing;
        const ReviewRecords now = store.records(review.id).value_or(ReviewRecords{});
        for (const ReviewRecord &r : now)
            standing.append(r.year);
        standing.sort();
        QCOMPARE(standing, years);
        QCOMPARE(store.distinctPairs(review.id)->size(), distinct);
    }

    void diagramFiles_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("SVG") << "svg" << QByteArray("<?xml");
        QTest::newRow("PNG") << "png" << QByteArray("\x89PNG");
        QTest::newRow("PDF") << "pdf" << QByteArray("%PDF");
    }
    void diagramFiles()
    {
        QFETCH(QString, suffix);
        QFETCH(QByteArray, start);
        PrismaCounts counts;
        counts.identified = {{QStringLiteral("PubMed"), 3}, {QStringLiteral("Embase <Ovid>"), 3}};
        counts.duplicatesRemoved = 3;
        counts.screened = 3;
        const QString path = m_dir.filePath(QStringLiteral("prisma.") + suffix);
        QCOMPARE(PrismaView::write(PrismaLayout::of(counts), path), std::nullopt);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(bytes.startsWith(start), bytes.left(16).constData());
        if (suffix == QLatin1String("svg"))
            QVERIFY(bytes.contains("Embase &lt;Ovid&gt; (n = 3)"));
    }
};

QTEST_MAIN(ReviewWindowTest)
#include "ReviewWindowTest.moc"
