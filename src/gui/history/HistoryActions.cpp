#include "gui/history/HistoryActions.h"

#include "ui_MainWindow.h"

#include "gui/mainwindow/AppMessages.h"
#include "gui/history/HistoryTexts.h"
#include "gui/history/HistoryWindow.h"
#include "gui/search/RecentSearchCompleter.h"
#include "gui/savedsearches/SavedSearchActions.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/history/SearchLogExport.h"
#include "library/HistoryRecorder.h"
#include "library/LibraryStore.h"
#include "library/RecentSearchesImport.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchMessages.h"
#include "search/SearchSession.h"

#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <utility>

HistoryActions::HistoryActions(const AppServices &services, Ui::MainWindow &ui, QMainWindow &window)
    : QObject(&window), m_library(services.library), m_alerts(*services.alerts), m_ui(ui), m_window(window)
{
    QSettings &settings = *services.preferences->settings();
    // The queries kept before the history existed join it once; a failure
    // is told once the window is up, and the next start tries again.
    if (m_library && !importRecentSearches(*m_library, settings))
        QTimer::singleShot(0, &window, [this] { report(false); });
    m_completer = new RecentSearchCompleter(settings, m_library, &window);
    ui.searchNSTextField->setCompleter(m_completer);
    addActions();
    m_saved = new SavedSearchActions(services, ui, window);
    connect(m_saved, &SavedSearchActions::searchRequested, this, &HistoryActions::searchRequested);
}

void HistoryActions::addActions()
{
    auto *show = new QAction(QStringLiteral("Search &History"), &m_window);
    show->setObjectName(QStringLiteral("searchHistoryAction"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_ui.viewMenu->addAction(show);
    auto *exportAction = new QAction(QStringLiteral("Export Search L&og\u2026"), &m_window);
    exportAction->setObjectName(QStringLiteral("exportSearchLogAction"));
    // After the article exports.
    const QList<QAction *> fileActions = m_ui.fileMenu->actions();
    m_ui.fileMenu->insertAction(fileActions.value(fileActions.indexOf(m_ui.exportAllAction) + 1), exportAction);
    connect(show, &QAction::triggered, this, &HistoryActions::showHistory);
    connect(exportAction, &QAction::triggered, this, [this] { exportLog({}); });
    for (QAction *action : {show, exportAction}) {
        action->setEnabled(m_library);
        if (!m_library)
            action->setToolTip(HistoryTexts::NoLibrary);
    }
}

void HistoryActions::attach(ResultTab &tab)
{
    if (!m_library)
        return;
    auto *recorder = new HistoryRecorder(*m_library, tab.session(), &tab);
    connect(recorder, &HistoryRecorder::recorded, this, &HistoryActions::refresh);
    connect(recorder, &HistoryRecorder::failed, this, [this](const QString &message) {
        m_alerts.run({Alert::Style::Warning, HistoryTexts::HistoryFailedTitle, HistoryTexts::HistoryFailed, message,
                      {SearchMessages::OK}},
                     &m_window);
    });
}

bool HistoryActions::expand(ResultTab &tab, SearchSource &source)
{
    tab.setTypedQuery({});
    if (source.kind != SearchSource::Kind::Query || !HistoryExpansion::refersToHistory(source.query))
        return true;
    if (!m_library) {
        m_ui.messageNSTextField->setText(HistoryTexts::NoLibrary);
        return false;
    }
    const HistoryExpansion::Result expanded = HistoryExpansion::expand(
        source.query, [this](qint64 number) { return m_library->historyEntry(number); });
    if (!expanded.ok()) {
        m_ui.messageNSTextField->setText(expanded.error);
        return false;
    }
    tab.setTypedQuery(source.query);
    if (auto *recorder = tab.findChild<HistoryRecorder *>())
        recorder->setTypedQuery(source.query);
    source.query = expanded.query;
    return true;
}

void HistoryActions::clearRecentSearches()
{
    if (!m_library)
        return m_completer->clear();
    const Alert ask{Alert::Style::Question, HistoryTexts::ClearTitle, HistoryTexts::ClearMessage,
                    HistoryTexts::ClearInformative, {HistoryTexts::ClearButton, AppMessages::Cancel}};
    if (m_alerts.run(ask, alertParent()) != 0)
        return;
    report(m_library->clearHistory());
    refresh();
}

void HistoryActions::showHistory()
{
    if (!m_library)
        return;
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(&m_window);
        connect(m_historyWindow, &HistoryWindow::searchAgainRequested, this,
                [this](const HistoryEntry &entry) { emit searchRequested(entry.source); });
        connect(m_historyWindow, &HistoryWindow::deleteRequested, this, &HistoryActions::remove);
        connect(m_historyWindow, &HistoryWindow::clearRequested, this, &HistoryActions::clearRecentSearches);
        connect(m_historyWindow, &HistoryWindow::combineRequested, this, &HistoryActions::combine);
        connect(m_historyWindow, &HistoryWindow::exportRequested, this, &HistoryActions::exportLog);
    }
    loadHistory();
    m_historyWindow->present();
}

void HistoryActions::loadHistory()
{
    const int generation = ++m_loadGeneration;
    const std::optional<QList<HistoryEntry>> newest = m_library->historyPage(kFirstHistoryPage);
    if (!report(newest.has_value()))
        return;
    m_historyWindow->setEntries(*newest);
    if (newest->size() < kFirstHistoryPage)
        return;
    m_loading = *newest;
    QTimer::singleShot(0, this, [this, generation] { loadOlder(generation); });
}

void HistoryActions::loadOlder(int generation)
{
    if (generation != m_loadGeneration || !m_historyWindow)
        return;
    const std::optional<QList<HistoryEntry>> older = m_library->historyPage(kOlderHistoryPage, m_loading.constLast().number);
    if (!report(older.has_value()))
        return;
    m_loading += *older;
    if (older->size() == kOlderHistoryPage)
        QTimer::singleShot(0, this, [this, generation] { loadOlder(generation); });
    else
        m_historyWindow->setEntries(std::exchange(m_loading, {}));
}

void HistoryActions::refresh()
{
    m_completer->reload();
    if (m_historyWindow && m_historyWindow->isVisible())
        loadHistory();
}

void HistoryActions::combine(QList<qint64> numbers, HistoryExpansion::Operator op)
{
    // Oldest first: "#3 NOT #5" takes the later search out of the earlier one.
    std::sort(numbers.begin(), numbers.end());
    emit searchRequested(SearchSource::pubmedQuery(HistoryExpansion::combination(numbers, op)));
}

void HistoryActions::remove(const QList<qint64> &numbers)
{
    report(m_library->deleteHistory(numbers));
    refresh();
}

void HistoryActions::exportLog(const QList<qint64> &numbers)
{
    if (!m_library)
        return;
    QWidget *parent = alertParent();
    const std::optional<SearchLogExport::Target> target = SearchLogExport::chooseFile(parent);
    if (!target)
        return;
    QString unread;
    const std::optional<QString> reason = SearchLogExport::write(*target, [&](const auto &each) {
        const bool read = m_library->forEachHistoryEntry(numbers, each);
        if (!read)
            unread = m_library->error();
        return read;
    });
    if (reason)
        SearchLogExport::tellFailure(*target, unread.isEmpty() ? *reason : unread, m_alerts, parent);
}

bool HistoryActions::report(bool done)
{
    if (!done)
        m_alerts.run({Alert::Style::Warning, HistoryTexts::HistoryFailedTitle, HistoryTexts::HistoryFailed,
                      m_library->error(), {SearchMessages::OK}},
                     alertParent());
    return done;
}

QWidget *HistoryActions::alertParent() const
{
    if (m_historyWindow && m_historyWindow->isVisible())
        return m_historyWindow;
    return &m_window;
}
