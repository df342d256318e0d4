// A review's window: screening by keys alone, each decision in the store at
// once; the flow diagram written as SVG, PNG and PDF.
#include "AppHarness.h"
#include "TestData.h"

#include "gui/mainwindow/ResultTabs.h"
#include "gui/review/PrismaView.h"
#include "gui/review/ReviewActions.h"
#include "gui/review/ReviewWorkspace.h"
#include "gui/review/ScreeningView.h"
#include "library/LibraryStore.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
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

private slots:
    void screeningKeys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("stored"); // the three records' decisions after the keys, "-" for none
        QTest::newRow("I includes, and the next is shown") << "II" << QStringList{"include", "include", "-"};
        QTest::newRow("a number excludes for that reason") << "2" << QStringList{"exclude Wrong intervention", "-", "-"};
        QTest::newRow("a number past the reasons does nothing") << "9" << QStringList{"-", "-", "-"};
        QTest::newRow("M, then U takes it back") << "MIU" << QStringList{"maybe", "-", "-"};
        QTest::newRow("N steps past, P comes back") << "NIPM" << QStringList{"maybe", "include", "-"};
    }
    void screeningKeys()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, stored);
        LibraryStore library(m_dir.filePath(QStringLiteral("%1.sqlite").arg(++m_files)));
        ReviewStore store(library);
        const Review review = newReview(library, store);
        READ_TEST_DATA(bytes, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/review/pubmed.nbib"));
        const ReviewRecords records = ReviewImport::read(bytes, ReviewImport::Format::Medline).records;
        QVERIFY(store.addSource(review.id, {0, QStringLiteral("PubMed"), {}, {}, QDate(2026, 1, 5), 0}, records));
        ReviewWorkspace workspace(library, review, QStringLiteral("me"), noFullText(), {});
        workspace.setAttribute(Qt::WA_DeleteOnClose, false);
        workspace.show();
        QVERIFY(QTest::qWaitForWindowExposed(&workspace));
        workspace.findChild<QTabWidget *>()->setCurrentWidget(workspace.screening());
        QWidget *record = workspace.screening()->findChild<QWidget *>(QStringLiteral("screeningRecord"));
        record->setFocus();
        for (const QChar key : keys)
            QTest::keyClick(record, key.toLatin1());
        const ReviewRecords standing = *store.records(review.id);
        const auto decisions = *store.decisions(review.id, ScreeningStage::TitleAbstract);
        QStringList found;
        for (const ReviewRecord &r : standing) {
            const auto d = decisions.constFind(r.id);
            found.append(d == decisions.cend() ? QStringLiteral("-")
                                               : (choiceKey(d->choice) + u' ' + d->reason).trimmed());
        }
        QCOMPARE(found, stored);
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
        QTest::addColumn<int>("standing");
        QTest::addColumn<int>("distinct");
        QTest::newRow("Y merges the pair") << 'Y' << 1 << 0;
        QTest::newRow("N keeps them apart for good") << 'N' << 2 << 1;
    }
    void duplicatePairsByKeys()
    {
        QFETCH(char, key);
        QFETCH(int, standing);
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
        QCOMPARE(store.records(review.id)->size(), standing);
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
