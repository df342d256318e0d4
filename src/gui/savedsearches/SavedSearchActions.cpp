#include "gui/savedsearches/SavedSearchActions.h"

#include "ui_MainWindow.h"

#include "gui/mainwindow/AppMessages.h"
#include "gui/history/HistoryTexts.h"
#include "gui/savedsearches/SavedSearchTexts.h"
#include "gui/mainwindow/ResultTab.h"
#include "library/LibraryStore.h"
#include "library/SavedSearchCheck.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchMessages.h"
#include "search/SearchSession.h"
#include "gui/widgets/DockMemory.h"

#include <QEvent>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

SavedSearchActions::SavedSearchActions(const AppServices &services, Ui::MainWindow &ui, QMainWindow &window)
    : QObject(&window), m_services(services), m_ui(ui), m_window(window), m_panel(new SavedSearchesPanel(&window))
{
    // Shown or hidden, and where, as the user left it; never without a library.
    if (m_services.library) {
        DockMemory::remember(window, *m_panel, *m_services.preferences->settings(), {.shown = false});
    } else {
        window.addDockWidget(Qt::RightDockWidgetArea, m_panel);
        m_panel->hide();
    }
    auto *searchMenu = new QMenu(QStringLiteral("&Search"), &window);
    searchMenu->setObjectName(QStringLiteral("searchMenu"));
    window.menuBar()->insertMenu(ui.viewMenu->menuAction(), searchMenu);
    auto *save = searchMenu->addAction(QStringLiteral("&Save Search\u2026"));
    save->setObjectName(QStringLiteral("saveSearchAction"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction *toggle = m_panel->toggleViewAction();
    toggle->setObjectName(QStringLiteral("savedSearchesAction"));
    toggle->setText(QStringLiteral("Sa&ved Searches"));
    ui.viewMenu->addAction(toggle);
    for (QAction *action : {save, toggle}) {
        action->setEnabled(m_services.library);
        if (!m_services.library)
            action->setToolTip(HistoryTexts::NoLibrary);
    }
    if (!m_services.library)
        return;
    connect(save, &QAction::triggered, this, &SavedSearchActions::saveCurrentSearch);
    connect(m_panel, &SavedSearchesPanel::checkRequested, this, [this](qint64 id) { check({id}); });
    connect(m_panel, &SavedSearchesPanel::checkAllRequested, this, [this] { check(); });
    connect(m_panel, &SavedSearchesPanel::openRequested, this, &SavedSearchActions::open);
    connect(m_panel, &SavedSearchesPanel::renameRequested, this, &SavedSearchActions::rename);
    connect(m_panel, &SavedSearchesPanel::editRequested, this, &SavedSearchActions::edit);
    connect(m_panel, &SavedSearchesPanel::removeRequested, this, &SavedSearchActions::remove);
    connect(m_panel, &SavedSearchesPanel::markSeenRequested, this, [this](qint64 id) {
        if (report(m_services.library->markAllSeen(id))) {
            if (m_opened.value(id))
                m_opened.value(id)->model().setNewPmids({});
            // Its "N new" is no longer news.
            m_checkNotes.removeIf([id](const auto &note) { return note.first == id; });
        }
        refresh();
    });
    // Searches saved from the command line meanwhile show when the window is back in use.
    window.installEventFilter(this);
    refresh();
    // Once the window is up, so that it never waits for the service.
    if (m_services.preferences->boolean(PreferenceKeys::CheckSavedSearchesAtLaunch) && !m_panel->searches().isEmpty())
        QTimer::singleShot(0, this, [this] { check(); });
}

SavedSearchActions::~SavedSearchActions() = default;

void SavedSearchActions::saveCurrentSearch()
{
    const SearchSource source = m_ui.resultTabs->current()->session().source();
    if (source.kind != SearchSource::Kind::Query) {
        m_ui.messageNSTextField->setText(SavedSearchTexts::NothingToSave);
        return;
    }
    const std::optional<QString> name = ask(SavedSearchTexts::SaveTitle, SavedSearchTexts::NameLabel, source.query);
    if (!name)
        return;
    SavedSearch search;
    search.name = name->trimmed();
    search.query = source.query;
    search.sort = source.sort;
    search.filters = source.filters;
    report(m_services.library->addSavedSearch(search) != 0);
    refresh();
    m_panel->show();
}

bool SavedSearchActions::check(const QList<qint64> &ids)
{
    if (m_check && m_check->isRunning())
        return false;
    if (ids.isEmpty())
        refresh(); // Check All checks what was saved elsewhere meanwhile too
    QList<SavedSearch> searches;
    for (const SavedSearch &search : m_panel->searches()) {
        if (ids.isEmpty() || ids.contains(search.id))
            searches.append(search);
    }
    AppPreferences preferences(*m_services.preferences);
    CheckSettings settings;
    settings.endpoints = m_services.endpoints;
    settings.identity = {preferences.apiKey(), preferences.contactEmail()};
    settings.limits.timeoutMs = m_services.networkTimeoutMs;
    settings.retries.msPerSecond = m_services.retryMsPerSecond;
    // A new check each time: it asks with the identity the preferences hold now.
    m_check = std::make_unique<SavedSearchCheck>(*m_services.library, settings);
    // What each check found is told once all are done, one line each.
    connect(m_check.get(), &SavedSearchCheck::checked, this, [this](const SavedSearch &search, const QStringList &added) {
        m_checkNotes.append({search.id, [count = added.size(), first = !search.wasChecked()](const QString &name) {
                                 return SavedSearchTexts::checked(name, count, first);
                             }});
        refresh();
    });
    connect(m_check.get(), &SavedSearchCheck::failed, this, [this](const SavedSearch &search, const QString &message) {
        m_checkNotes.append(
            {search.id, [message](const QString &name) { return SavedSearchTexts::checkFailed(name, message); }});
    });
    connect(m_check.get(), &SavedSearchCheck::finished, this, &SavedSearchActions::showCheckNotes);
    m_checkNotes.clear();
    if (!m_check->start(searches))
        return false;
    m_panel->setStatus(SavedSearchTexts::checking(searches.size() == 1 ? searches.first().name : QStringLiteral("all")));
    return true;
}

void SavedSearchActions::refresh()
{
    const std::optional<QList<SavedSearch>> searches = m_services.library->savedSearches();
    if (report(searches.has_value()))
        m_panel->setSearches(*searches);
    if (!m_check || !m_check->isRunning())
        showCheckNotes();
}

void SavedSearchActions::showCheckNotes()
{
    QStringList lines;
    for (const auto &[id, line] : std::as_const(m_checkNotes)) {
        if (const std::optional<SavedSearch> search = byId(id))
            lines.append(line(search->name));
    }
    m_panel->setStatus(lines.join(QLatin1Char('\n')));
}

bool SavedSearchActions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::WindowActivate)
        refresh();
    return QObject::eventFilter(watched, event);
}

std::optional<SavedSearch> SavedSearchActions::byId(qint64 id) const
{
    for (const SavedSearch &search : m_panel->searches()) {
        if (search.id == id)
            return search;
    }
    return std::nullopt;
}

void SavedSearchActions::open(qint64 id)
{
    const std::optional<SavedSearch> search = byId(id);
    const std::optional<QStringList> fresh = search ? m_services.library->newPmids(id) : std::nullopt;
    if (!search || !report(fresh.has_value()))
        return;
    SearchSource source = search->source();
    source.pinned = *fresh;
    emit searchRequested(source);
    // The search went into a new tab, the current one now; its new articles
    // come first and are marked until they are seen or the tab searches
    // something else.
    ResultTab *tab = m_ui.resultTabs->current();
    tab->model().setNewPmids(QSet<QString>(fresh->begin(), fresh->end()));
    tab->setName(search->name);
    m_opened.insert(id, tab);
}

void SavedSearchActions::rename(qint64 id)
{
    const std::optional<SavedSearch> search = byId(id);
    if (!search)
        return;
    const std::optional<QString> name = ask(SavedSearchTexts::RenameTitle, SavedSearchTexts::NameLabel, search->name);
    if (name && report(m_services.library->renameSavedSearch(id, name->trimmed())) && m_opened.value(id)
        && !m_opened.value(id)->name().isEmpty())
        m_opened.value(id)->setName(name->trimmed());
    refresh();
}

void SavedSearchActions::edit(qint64 id)
{
    const std::optional<SavedSearch> search = byId(id);
    if (!search)
        return;
    if (const std::optional<QString> query = ask(SavedSearchTexts::EditTitle, SavedSearchTexts::QueryLabel, search->query))
        report(m_services.library->editSavedSearch(id, query->trimmed(), search->sort, search->filters));
    refresh();
}

void SavedSearchActions::remove(qint64 id)
{
    const std::optional<SavedSearch> search = byId(id);
    if (!search)
        return;
    const Alert question{Alert::Style::Question, SavedSearchTexts::RemoveTitle, SavedSearchTexts::removeMessage(search->name),
                         SavedSearchTexts::RemoveInformative, {SavedSearchTexts::RemoveButton, AppMessages::Cancel}};
    if (m_services.alerts->run(question, &m_window) != 0)
        return;
    report(m_services.library->removeSavedSearch(id));
    refresh();
}

std::optional<QString> SavedSearchActions::ask(const QString &title, const QString &label, const QString &text)
{
    QInputDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("savedSearchDialog"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

bool SavedSearchActions::report(bool done)
{
    if (!done)
        m_services.alerts->run({Alert::Style::Warning, SavedSearchTexts::FailedTitle, SavedSearchTexts::Failed,
                                m_services.library->error(), {SearchMessages::OK}},
                               &m_window);
    return done;
}
