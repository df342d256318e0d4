// Getting full texts from the window, and the reader of kept ones: a text
// built from parsed data, its references with a PMID as links that ask for
// the article, hostile text shown as text; a PDF with page navigation and find.
#include "AppHarness.h"

#include "fulltext/FullTextMessages.h"
#include "gui/articles/ArticleTableModel.h"
#include "gui/fulltext/PdfPageView.h"
#include "gui/fulltext/PdfPageLayout.h"
#include "gui/fulltext/PdfReader.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/mainwindow/ResultTabs.h"
#include "gui/fulltext/TextReader.h"
#include "gui/fulltext/UnavailableDialog.h"
#include "gui/fulltext/WordMarks.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBrowser>

namespace {

FullTextDocument article()
{
    FullTextDocument text;
    text.title = QStringLiteral("Quokka census");
    text.append({TextSection::Methods, TextPassage::Kind::Paragraph, QStringLiteral("<script>alert(1)</script><img src=x> We counted quokkas.")});
    text.appendReference({QStringLiteral("An older census."), QStringLiteral("29632448"), {}});
    text.appendReference({QStringLiteral("A book without a PMID."), {}, {}});
    text.appendReference({QStringLiteral("A later census."), QStringLiteral("30107788"), {}});
    return text;
}

// The viewport point of the first character of the link to `pmid`.
QPoint linkPoint(QTextBrowser &browser, const QString &pmid)
{
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorHref() == QStringLiteral("pmid:") + pmid) {
                QTextCursor cursor(browser.document());
                cursor.setPosition(it.fragment().position() + 1);
                return browser.cursorRect(cursor).center();
            }
        }
    }
    return {-1, -1};
}

// Three pages: the query's word on the first two, another on the third.
QString writePdf(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("a.pdf"));
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            writer.newPage();
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
        painter.drawText(QPointF(500, 1000), page == 3 ? QStringLiteral("wombat page") : QStringLiteral("quokka page"));
    }
    return path;
}

bool showReader(PdfReader &reader)
{
    reader.resize(600, 800);
    reader.show();
    QApplication::setActiveWindow(&reader);
    return QTest::qWaitForWindowActive(&reader);
}

// The share of `area` of the view that shows `colour`.
qreal painted(PdfPageView &pages, const QRectF &area, const QColor &colour)
{
    const QImage shot = pages.viewport()->grab().toImage();
    const QRect pixels = area.toRect() & shot.rect();
    int matching = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            matching += shot.pixelColor(x, y).rgb() == colour.rgb();
    }
    return pixels.isEmpty() ? 0 : qreal(matching) / (pixels.width() * pixels.height());
}

} // namespace

class FullTextReaderTest : public QObject
{
    Q_OBJECT

private slots:
    // By its shortcut, for three selected articles the library lacks: they go
    // to the collection there is, the one in PMC's open-access subset has its
    // text kept, the tally is the message line and the other two are listed
    // with why. The column marks the kept one and sorts it first, and Read
    // Full Text opens it.
    void getFullTextFromTheWindow()
    {
        AppHarness h;
        h.store.setObject(PreferenceKeys::ContactEmail, QStringLiteral("me@example.org"));
        const QString inPmc = FakeEutilsServer::fakePmid(1);
        h.server.setHandler(QLatin1String(Paths::IdConverter), [inPmc](const QUrl &) {
            return FakeResponse::xml(QStringLiteral(R"({"records": [{"requested-id": "%1", "pmid": "%1", "pmcid": "PMC6092810"}]})").arg(inPmc).toUtf8());
        });
        h.server.setHandler(QLatin1String(Paths::PmcOaService), [](const QUrl &) {
            return FakeResponse::xml(R"(<OA><records><record id="PMC6092810" license="CC BY"/></records></OA>)");
        });
        READ_TEST_DATA(bioc, QStringLiteral(VEXMOOR_TEST_SOURCE_DIR "/../data/services/bioc/nasaspaceapps_BioC_json_PMC10926278_reserialized.json"));
        h.server.setHandler(QLatin1String(Paths::BiocJsonPrefix) + QStringLiteral("PMC6092810/unicode"), [bioc](const QUrl &) { return FakeResponse::xml(bioc); });
        START_WITH_RESULTS(c, h, 3);
        const qint64 reading = h.library.createCollection(QStringLiteral("Reading")).value();
        h.selectRows({0, 1, 2});
        QTest::keyClick(c.window(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(h.message(), FullTextMessages::summary(1, 3, 1, 0, 2, 0), 20000);
        QCOMPARE(h.library.fullTextPmids().value(), QList<qint64>{inPmc.toLongLong()});
        QCOMPARE(h.library.articles(reading).value().size(), 3);
        auto *unavailable = c.window()->findChild<UnavailableDialog *>();
        QVERIFY(unavailable && unavailable->isVisible());
        unavailable->close();
        c.window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(c.window()));

        ArticleTableModel &model = c.currentTab()->model();
        const int column = model.columnNamed(ArticleTableModel::FullTextColumn);
        h.table()->sortByColumn(column, Qt::AscendingOrder);
        QCOMPARE(c.getArticleList().at(0).text(ArticleRecord::Key::PMID), inPmc);
        QCOMPARE(model.index(0, column).data().toString(), AppMessages::FullTextKeptMark);
        QCOMPARE(model.index(1, column).data().toString(), QString());
        h.selectRows({0});
        ResultTab *results = c.currentTab();
        auto *tabs = h.widget<ResultTabs>("resultTabs");
        // The text is read in a tab of the window, one tab however often it is opened.
        for (int times = 0; times < 2; ++times) {
            QTest::keyClick(c.window(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
            auto *reader = c.window()->findChild<TextReader *>();
            QVERIFY(reader && reader->isVisible());
            QCOMPARE(tabs->count(), 2);
            QCOMPARE(tabs->currentWidget(), reader);
            QVERIFY(tabs->tabToolTip(1).startsWith(QStringLiteral("Correction to “Adaptation")));
            QCOMPARE(c.currentTab(), results);
            tabs->setCurrentIndex(0);
        }
    }

    void referenceLinksOpenTheirArticles_data()
    {
        QTest::addColumn<QString>("pmid");
        QTest::newRow("first") << "29632448";
        QTest::newRow("after a reference without a PMID") << "30107788";
    }
    void referenceLinksOpenTheirArticles()
    {
        QFETCH(QString, pmid);
        TextReader reader(article(), {QStringLiteral("quokkas")});
        reader.resize(600, 800);
        reader.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reader));
        QSignalSpy asked(&reader, &TextReader::articleRequested);
        const QPoint point = linkPoint(*reader.browser(), pmid);
        QVERIFY(point.x() >= 0);
        reader.browser()->verticalScrollBar()->setValue(0);
        QTest::mouseClick(reader.browser()->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).at(0).toString(), pmid);
        // Markup of the source is text, not markup.
        QVERIFY(reader.browser()->toPlainText().contains(QStringLiteral("<script>alert(1)</script><img src=x>")));
        QSignalSpy all(&reader, &TextReader::referencesRequested);
        reader.findChild<QPushButton *>()->click();
        QCOMPARE(all.at(0).at(0).toStringList(), QStringList({"29632448", "30107788"}));
    }

    // The articles Get Full Text could not have: why as text, and the
    // publisher's page at the address the opening gives (the proxy's).
    void unavailableArticlesSayWhy_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("doi");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("link");
        QTest::newRow("not open access, through the proxy")
            << "Not in the open-access subset" << "https://doi.org/10.1/a&b"
            << "PMID 1: Not in the open-access subset — Publisher's page" << "proxy?url=https://doi.org/10.1/a&b";
        QTest::newRow("markup in a reason is text") << "<b>Sign in</b>" << "" << "PMID 1: <b>Sign in</b>" << "";
    }
    void unavailableArticlesSayWhy()
    {
        QFETCH(QString, reason);
        QFETCH(QString, doi);
        QFETCH(QString, shown);
        QFETCH(QString, link);
        const FullTextOutcome outcome{.pmid = QStringLiteral("1"), .notOpenAccess = true, .reason = reason, .publisher = QUrl(doi)};
        UnavailableDialog dialog({outcome}, [](const QString &url) { return QStringLiteral("proxy?url=") + url; });
        QCOMPARE(dialog.list()->toPlainText().trimmed(), shown);
        QString href;
        for (QTextBlock block = dialog.list()->document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                href += it.fragment().charFormat().anchorHref();
        }
        QCOMPARE(href, link);
        // Reached by keyboard: Tab lands on the link.
        QVERIFY(dialog.list()->textInteractionFlags() & Qt::LinksAccessibleByKeyboard);
    }

    // A portrait page over a wider landscape one at 1.5 pixels a point: the
    // gap under a page is the page's, and points map to pixels and back.
    void pdfPageLayout_data()
    {
        QTest::addColumn<qreal>("y");
        QTest::addColumn<int>("page");
        QTest::newRow("above the first") << -5.0 << 0;
        QTest::newRow("on the first") << 10.0 << 0;
        QTest::newRow("in the gap under the first") << 1280.0 << 0;
        QTest::newRow("the top of the second") << 1283.0 << 1;
        QTest::newRow("past the last") << 1e6 << 1;
    }
    void pdfPageLayout()
    {
        QFETCH(qreal, y);
        QFETCH(int, page);
        PdfPageLayout layout;
        layout.setPages({QSizeF(595, 842), QSizeF(792, 612)});
        layout.setScale(1.5);
        layout.setViewWidth(1000);
        QCOMPARE(layout.size(), QSize(1188 + 20, 1283 + 918 + 10));
        QCOMPARE(layout.pageRect(0), QRectF(157, 10, 893, 1263)); // centred on the widest
        QCOMPARE(layout.pageAt(y), page);
        const QRectF word(100, 200, 40, 12);
        const QRectF pixels = layout.toPixels(page, word);
        QCOMPARE(pixels.size(), word.size() * 1.5);
        QCOMPARE(layout.toPoints(page, pixels.topLeft()), word.topLeft());
        QCOMPARE(layout.pageAt(pixels.center().y()), page);
    }

    void pdfPagesAndFind()
    {
        QTemporaryDir dir;
        PdfReader reader(writePdf(dir), {});
        QVERIFY(showReader(reader));
        QCOMPARE(reader.document()->status(), QPdfDocument::Status::Ready);
        QCOMPARE(reader.document()->pageCount(), 3);
        PdfPageView *pages = reader.pages();
        QTest::keyClick(pages, Qt::Key_PageDown);
        QCOMPARE(pages->currentPage(), 1);
        // Scrolled to the end, the last page is the current one, even when
        // zoomed out so far that the page before shows at the top.
        for (const auto zoom : {Qt::Key_Minus, Qt::Key_Minus, Qt::Key_Plus, Qt::Key_Plus}) {
            QTest::keyClick(pages, zoom, Qt::ControlModifier);
            QCoreApplication::processEvents(); // the scroll bars shown or hidden
            pages->verticalScrollBar()->setValue(pages->verticalScrollBar()->maximum());
            QCOMPARE(pages->currentPage(), 2);
        }
        pages->verticalScrollBar()->setValue(0);
        QCOMPARE(pages->currentPage(), 0);
        QTest::keyClick(&reader, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("wombat"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(pages->currentPage(), 2);
        // The match is drawn, distinctly from the marks of the query's words.
        QVERIFY(painted(*pages, pages->currentMatchArea(), PdfPageView::kCurrentMatchColour) > 0.5);
        // Enter for the next match, the last followed by the first.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("page"));
        for (const int page : {0, 1, 2, 0}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(pages->currentPage(), page);
        }
    }

    // Marks cover the query's word at any zoom: a drag over a mark selects
    // the word; Ctrl+C copies the selection, or the page's text when none.
    void pdfMarksSelectionAndCopy_data()
    {
        QTest::addColumn<int>("zoomSteps");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("dragBelow");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("copied");
        const QString page = QStringLiteral("quokka page");
        QTest::newRow("drag over the mark") << 0 << "" << 1 << "quokka" << "quokka";
        QTest::newRow("zoomed in twice") << 2 << "" << 1 << "quokka" << "quokka";
        QTest::newRow("zoomed out") << -1 << "" << 1 << "quokka" << "quokka";
        QTest::newRow("a click selects nothing") << 0 << "" << 0 << "" << page;
        QTest::newRow("Ctrl+A selects the page") << 0 << "Ctrl+A" << 0 << page << page;
        QTest::newRow("a drag past its page ends with the page") << 0 << "" << 2000 << page << page;
    }
    void pdfMarksSelectionAndCopy()
    {
        QFETCH(int, zoomSteps);
        QFETCH(QString, keys);
        QFETCH(int, dragBelow);
        QFETCH(QString, selected);
        QFETCH(QString, copied);
        QTemporaryDir dir;
        PdfReader reader(writePdf(dir), {QStringLiteral("QUOKKA")});
        QVERIFY(showReader(reader));
        PdfPageView *pages = reader.pages();
        // The pages in view are marked by themselves, soon after they are drawn.
        QTRY_VERIFY(painted(*pages, pages->viewport()->rect(), WordMarks::Colour) > 0);
        QCOMPARE(pages->wordMarks(2).size(), 0);
        const qreal width = pages->wordMarks(0).value(0).width();
        for (int step = 0; step < std::abs(zoomSteps); ++step)
            QTest::keyClick(pages, zoomSteps > 0 ? Qt::Key_Plus : Qt::Key_Minus, Qt::ControlModifier);
        const QList<QRectF> marks = pages->wordMarks(0);
        QCOMPARE(marks.size(), 1);
        QCOMPARE(qRound(marks.at(0).width() * 100 / width), qRound(100 * std::pow(1.25, zoomSteps)));
        QVERIFY(painted(*pages, marks.at(0), WordMarks::Colour) > 0.5);
        const QPoint start(int(marks.at(0).left()) + 1, int(marks.at(0).center().y()));
        QTest::mousePress(pages->viewport(), Qt::LeftButton, {}, start);
        if (dragBelow > 0)
            QTest::mouseMove(pages->viewport(), QPoint(int(marks.at(0).right()) - 1, start.y() + dragBelow - 1));
        QTest::mouseRelease(pages->viewport(), Qt::LeftButton, {}, start);
        if (!keys.isEmpty())
            QTest::keySequence(pages, QKeySequence(keys));
        QCOMPARE(pages->selectedText().trimmed(), selected);
        QApplication::clipboard()->clear();
        QTest::keySequence(pages, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text().trimmed(), copied);
    }
};

QTEST_MAIN(FullTextReaderTest)
#include "FullTextReaderTest.moc"
