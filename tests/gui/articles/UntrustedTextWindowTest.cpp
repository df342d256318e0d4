// Markup in what a server sends is shown as the characters it is made of, in
// every widget that shows it, and never makes the window load anything: a
// reason phrase at the search, the download and the update check, and a
// record's title in the table's tool tip and the views.
#include "AppHarness.h"

#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppMessages.h"
#include "search/SearchMessages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QString kESearchPath = QLatin1String(Paths::ESearch);
const QString kEFetchPath = QUrl(QLatin1String(Paths::EFetch)).path();
const QString kVersionPath = QLatin1String(Paths::VersionPage);

// A file that markup in a server's text points at; any open of it is seen.
class ProbeFile
{
public:
    explicit ProbeFile(const QString &path) : m_path(path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("not an image") < 0)
            qFatal("cannot write the probe file");
        file.close();
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0 || inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS) < 0)
            qFatal("cannot watch the probe file");
    }
    ~ProbeFile() { ::close(m_fd); }
    ProbeFile(const ProbeFile &) = delete;
    ProbeFile &operator=(const ProbeFile &) = delete;

    bool wasOpened() const
    {
        alignas(inotify_event) char buffer[4096];
        return ::read(m_fd, buffer, sizeof buffer) > 0;
    }
    // Markup that makes a rich-text widget open the probe, then fakes a heading.
    QString markup() const { return QStringLiteral("<img src=\"%1\"><h1>Session expired</h1>").arg(m_path); }

private:
    QString m_path;
    int m_fd = -1;
};

// The text a label puts on screen.
QString shownText(const QLabel *label)
{
    const Qt::TextFormat format = label->textFormat();
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(label->text())))
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// Every label of a widget drawn, and what they show.
QString drawnLabelText(QWidget *widget)
{
    widget->grab();
    QStringList texts;
    for (const QLabel *label : widget->findChildren<QLabel *>())
        texts.append(shownText(label));
    return texts.join(QLatin1Char('\n'));
}

// The real message boxes, drawn and then answered with their first button;
// what their labels showed is kept.
class DrawnMessageBoxes : public AlertPresenter
{
public:
    int run(const Alert &alert, QWidget *parent) override
    {
        QTimer::singleShot(0, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                qFatal("no message box is shown");
            shown.append(drawnLabelText(box));
            box->buttons().constFirst()->click();
        });
        return m_real.run(alert, parent);
    }
    QStringList shown;

private:
    MessageBoxAlertPresenter m_real;
};

FakeResponse hostileError(const QString &phrase)
{
    FakeResponse response = FakeResponse::serverError(500);
    response.reasonPhrase = phrase.toUtf8();
    return response;
}

} // namespace

class UntrustedTextWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void reasonPhraseIsShownAsText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("search") << kESearchPath << SearchMessages::searchFailed(QString());
        QTest::newRow("download") << kEFetchPath << SearchMessages::downloadFailed(QString());
        QTest::newRow("update check") << kVersionPath << AppMessages::versionNotChecked(QString());
    }
    void reasonPhraseIsShownAsText()
    {
        QFETCH(QString, path);
        QFETCH(QString, prefix);
        // With the launch check on, the first check by hand speaks up.
        AppHarness h(true, 3000);
        const ProbeFile probe(h.dir.filePath(QStringLiteral("probe.png")));
        DrawnMessageBoxes boxes;
        h.services.alerts = &boxes;
        if (!h.startWithResults(45))
            return;
        h.server.setHandler(path, [&](const QUrl &) { return hostileError(probe.markup()); });

        QString shown;
        if (path == kVersionPath) {
            h.controller->checkForUpdates();
            QCOMPARE(boxes.shown.size(), 1);
            shown = boxes.shown[0];
        } else {
            h.clickMore();
            QVERIFY(h.waitForTransfer());
            shown = drawnLabelText(h.controller->window());
        }
        QVERIFY(!probe.wasOpened());
        QVERIFY2(shown.contains(prefix) && shown.contains(QStringLiteral("500 ") + probe.markup()), qPrintable(shown));
    }

    // A record's text, in a cell's tool tip and in the views below the table;
    // a long one cut short in its cell, whole in the tool tip.
    void recordTextIsShownAsText()
    {
        AppHarness h;
        const ProbeFile probe(h.dir.filePath(QStringLiteral("probe.png")));
        h.server.serveEsearch(1);
        static const QRegularExpression title(QStringLiteral("<ArticleTitle>[^<]*</ArticleTitle>"));
        const QString answer = QString::fromUtf8(FakeEutilsServer::efetchAnswer({FakeEutilsServer::fakePmid(0)}));
        static const QRegularExpression abstract(QStringLiteral("<Abstract>.*</Abstract>"),
                                                 QRegularExpression::DotMatchesEverythingOption);
        // The abstract view is rich: its paragraph is hostile too, and its
        // label is an entity that must not turn into the character it names.
        const QString longTitle = probe.markup() + QString(400, u'x');
        const QString hostileTitle = QStringLiteral("<ArticleTitle><![CDATA[%1]]></ArticleTitle>"
                                                    "<Abstract><AbstractText Label=\"&amp;amp;lt;h1&amp;amp;gt;\">"
                                                    "<![CDATA[%2]]></AbstractText></Abstract>")
                                         .arg(longTitle, probe.markup());
        h.server.enqueue(kEFetchPath,
                         FakeResponse::xml(QString(answer).remove(abstract).replace(title, hostileTitle).toUtf8()));
        h.start();
        h.search(QStringLiteral("q"));
        QVERIFY(h.waitForTransfer());
        QCOMPARE(h.controller->numberOfRowsInTableView(), 1);

        auto *table = h.widget<QAbstractItemView>("articleNSTableView");
        const QModelIndex cell = table->model()->index(0, 1);
        const QPoint at = table->visualRect(cell).center();
        QHelpEvent help(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &help);
        QLabel *tip = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->inherits("QTipLabel") && w->isVisible())
                    tip = qobject_cast<QLabel *>(w);
            }
            return tip != nullptr;
        }));
        tip->grab();
        h.controller->window()->grab();
        QVERIFY(!probe.wasOpened());
        QCOMPARE(shownText(tip), longTitle);
        QVERIFY(cell.data().toString().size() < longTitle.size() && cell.data().toString().endsWith(QChar(0x2026)));
        QVERIFY2(h.citationText().contains(probe.markup()), qPrintable(h.citationText()));
        QCOMPARE(h.abstractText(), QStringLiteral("&lt;h1&gt;: ") + probe.markup());
    }
};

QTEST_MAIN(UntrustedTextWindowTest)
#include "UntrustedTextWindowTest.moc"
