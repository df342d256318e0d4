#pragma once

#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppController.h"
#include "gui/collections/LibraryNotice.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/widgets/UrlOpener.h"
#include "gui/articles/KebNSTableView.h"
#include "common/SystemLog.h"
#include "entrez/Reachability.h"
#include "preferences/PreferenceStore.h"
#include "search/CitedByCounts.h"
#include "search/SearchSession.h"
#include "FakeEutilsServer.h"
#include "TestData.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>

#include <memory>

// Answers alerts as a test tells it to and remembers every alert shown.
class ScriptedAlerts : public AlertPresenter
{
public:
    int run(const Alert &alert, QWidget *) override
    {
        shown.append(alert);
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }
    QList<Alert> shown;
    QList<int> answers; // button indexes to answer with, in order; 0 once they run out
};

class RecordingUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

// Online or offline on demand, counting the hosts asked about.
class SwitchableReachability : public Reachability
{
public:
    std::optional<uint32_t> flagsForHost(const QString &host) override
    {
        asked.append(host);
        return online ? std::optional<uint32_t>(ReachabilityFlags::Reachable) : std::nullopt;
    }
    bool online = true;
    QStringList asked;
};

// A real AppController with its real window, talking to a fake E-utilities
// server, with preferences in a temporary file and every log line kept.
class AppHarness
{
public:
    explicit AppHarness(bool updateCheckOnStart = false, int timeoutMs = 3000)
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat), store(&settings)
    {
        registerDefaultPreferences(store);
        store.setBool(PreferenceKeys::UpdateCheckOnStart, updateCheckOnStart);
        setSystemLogSink([this](const QString &line) { log.append(line); });
        services.preferences = &store;
        services.endpoints = server.endpoints();
        services.reachability = &reachability;
        services.alerts = &alerts;
        services.urlOpener = &opener;
        services.networkTimeoutMs = timeoutMs;
        services.retryMsPerSecond = 5;
        // The links area asks for the selected article's link counts: none,
        // from either source.
        server.serveElink([](const QString &, const QString &) { return QStringList(); });
        server.setHandler(QLatin1String(Paths::IcitePubs), [](const QUrl &) { return FakeResponse::xml(R"({"data": []})"); });
    }
    ~AppHarness()
    {
        controller.reset();
        setSystemLogSink({});
    }

    // Opens the library as the application does, then the window.
    AppController &start()
    {
        const std::optional<Alert> libraryAlert = LibraryNotice::alertFor(library, library.open());
        services.library = library.isOpen() ? &library : nullptr;
        controller = std::make_unique<AppController>(services);
        controller->awakeFromNib();
        LibraryNotice::showWhenUp(libraryAlert, alerts, controller->window());
        return *controller;
    }

    // Starts the window and searches for a query with `matches` matches;
    // returns once the first batch and its cited-by counts have arrived. False when it did not, the
    // test having failed with the reason; the caller then returns.
    [[nodiscard]] bool startWithResults(int matches)
    {
        server.serveEsearch(matches);
        server.serveEfetch();
        start();
        search(QStringLiteral("q"));
        if (!waitForTransfer() || controller->numberOfRowsInTableView() == 0) {
            failTestOnce(QStringLiteral("the first batch did not arrive: ") + message());
            return false;
        }
        return QTest::qWaitFor([this] { return !controller->session().citedBy().isBusy(); }, 10000);
    }

    // A widget of the window by name; one that each tab has, of the current tab.
    template<typename T>
    T *widget(const char *name) const
    {
        T *w = controller->currentTab()->findChild<T *>(QLatin1String(name));
        if (!w)
            w = controller->window()->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QPushButton *searchButton() const { return widget<QPushButton>("searchPubmedNSButton"); }
    QPushButton *cancelButton() const { return widget<QPushButton>("cancelNSButton"); }
    QPushButton *moreButton() const { return widget<QPushButton>("getAllNSButton"); }
    QLineEdit *searchField() const { return widget<QLineEdit>("searchNSTextField"); }
    QString message() const { return widget<QLabel>("messageNSTextField")->text(); }
    QProgressBar *busyIndicator() const { return widget<QProgressBar>("searchNSProgressIndicator"); }
    QProgressBar *progressBar() const { return widget<QProgressBar>("myNSProgressIndicator"); }
    QString abstractText() const { return widget<QTextEdit>("abstractNSTextView")->toPlainText(); }
    QString citationText() const { return widget<QTextEdit>("citationNSTextView")->toPlainText(); }

    KebNSTableView *table() const { return widget<KebNSTableView>("articleNSTableView"); }
    // Selects `rows` of the table and nothing else.
    void selectRows(const QList<int> &rows) const
    {
        table()->clearSelection();
        for (int row : rows)
            table()->selectionModel()->select(table()->model()->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The links opened so far, as they were sent.
    QStringList openedUrls() const
    {
        QStringList urls;
        for (const QUrl &url : opener.opened)
            urls.append(url.toString(QUrl::FullyEncoded));
        return urls;
    }

    // Types a query and presses `key` (Return: in this tab); the ESearch
    // request is done when this returns.
    void search(const QString &query, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        searchField()->setText(query);
        QTest::keyClick(searchField(), Qt::Key_Return, modifiers);
        waitForSearchAnswer();
    }
    // Clicks "get N more articles"; the ESearch request is done when this returns.
    void clickMore()
    {
        QTest::mouseClick(moreButton(), Qt::LeftButton);
        waitForSearchAnswer();
    }
    bool waitForSearchAnswer() const
    {
        return QTest::qWaitFor(
            [this] { return controller->session().activity() != SearchSession::Activity::Searching; }, 10000);
    }
    // Waits until the running transfer has ended one way or another.
    bool waitForTransfer(int timeoutMs = 10000) const
    {
        return QTest::qWaitFor([this] { return !controller->transferRunning(); }, timeoutMs);
    }
    // ESearch requests made so far, as (retstart, retmax, term).
    QList<QUrl> esearchRequests() const
    {
        QList<QUrl> urls;
        for (const QUrl &url : server.requestUrls()) {
            if (url.path() == QLatin1String(Paths::ESearch))
                urls.append(url);
        }
        return urls;
    }

    QTemporaryDir dir;
    QSettings settings;
    PreferenceStore store;
    FakeEutilsServer server;
    SwitchableReachability reachability;
    ScriptedAlerts alerts;
    RecordingUrlOpener opener;
    AppServices services;
    LibraryStore library{dir.filePath(QStringLiteral("library.sqlite"))};
    QStringList log;
    std::unique_ptr<AppController> controller;
};

// `c`, the controller of `h` holding the first batch of `matches` results;
// when that batch did not arrive, the test returns (it has already failed).
#define START_WITH_RESULTS(c, h, matches) \
    if (!(h).startWithResults(matches))   \
        return;                           \
    AppController &c = *(h).controller
