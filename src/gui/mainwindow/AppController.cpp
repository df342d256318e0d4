#include "AppController.h"

#include "ui_MainWindow.h"

#include "citations/ProxyLink.h"
#include "library/FullTextShelf.h"
#include "library/LibraryStore.h"
#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/collections/CollectionActions.h"
#include "gui/widgets/DockMemory.h"
#include "gui/widgets/DialogTitleFit.h"
#include "gui/widgets/EscapeCloses.h"
#include "gui/mainwindow/WindowShortcuts.h"
#include "gui/articles/ExportFileDialog.h"
#include "gui/articles/FocusCopy.h"
#include "gui/articles/KebNSTableView.h"
#include "gui/history/HistoryActions.h"
#include "gui/references/ReferenceActions.h"
#include "gui/citationnetwork/LinkActions.h"
#include "gui/fulltext/FullTextActions.h"
#include "gui/fulltext/FullTextTexts.h"
#include "search/QueryWords.h"
#include "gui/search/RecentSearchCompleter.h"
#include "gui/search/SearchDetailsPanel.h"
#include "gui/search/SearchFilterBar.h"
#include "gui/articles/QueryHighlighter.h"
#include "gui/search/SpellingSuggestion.h"
#include "gui/search/SortOrderChoice.h"
#include "gui/mainwindow/UpdatePrompt.h"
#include "gui/mesh/MeshBrowserActions.h"
#include "gui/mesh/MeshBrowserPanel.h"
#include "gui/querybuilder/AdvancedSearchActions.h"
#include "gui/timeline/TimelineActions.h"
#include "gui/timeline/TimelinePanel.h"
#include "gui/review/ReviewActions.h"
#include "review/ReviewReport.h"
#include "export/Reference.h"
#include "gui/widgets/UrlOpener.h"
#include "entrez/EsearchClient.h"
#include "entrez/EutilsRequest.h"
#include "entrez/Reachability.h"
#include "gui/preferences/PreferenceController.h"
#include "preferences/WindowLayout.h"
#include "search/CitedByCounts.h"
#include "search/SearchMessages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QInputDialog>
#include <QMenu>
#include <QSettings>
#include <QShortcut>

#include <functional>
#include <numeric>

AppController::AppController(const AppServices &services, QObject *parent)
    : QObject(parent), m_services(services), m_preferences(*services.preferences),
      m_ui(std::make_unique<Ui::MainWindow>()), mainWindow(new QMainWindow),
      m_actions(services.endpoints, *services.preferences, *services.alerts, *services.urlOpener),
      m_updates(std::make_unique<UpdatePrompt>(services, mainWindow))
{
    m_ui->setupUi(mainWindow);
    m_tabs = m_ui->resultTabs;
    m_actions.setAlertParent(mainWindow);
    QSettings &settings = *m_services.preferences->settings();
    m_details = new SearchDetailsPanel(*mainWindow, settings, *m_ui->viewMenu, *m_ui->searchDetailsButton);
    m_spelling = new SpellingSuggestion(*m_ui->statusRow, this);
    m_highlighter = new QueryHighlighter(*m_ui->viewMenu, this);
    connect(m_highlighter, &QueryHighlighter::toggled, this, &AppController::tableViewSelectionDidChange);
    connect(m_spelling, &SpellingSuggestion::chosen, this, [this](const QString &query) {
        m_ui->searchNSTextField->setText(query);
        searchPubmed();
    });
    const WindowLayout layout = WindowLayout::load(*m_services.preferences->settings(), 2, ResultTab::tableColumnCount());
    m_actions.setFoundAs([this](const ArticleList &articles) { return session().foundAs(articles); });
    // The window's exports carry the figures its table shows.
    m_actions.setMetrics([this]() -> const CitationMetricsMap * {
        return m_preferences.showCitationCounts() ? &session().citedBy().metrics() : nullptr;
    });
    m_links = new LinkActions(m_ui->menuBar);
    connect(m_links, &LinkActions::linkRequested, this, &AppController::openLinkedArticles);
    m_collections = new CollectionActions(
        m_services, *mainWindow, *m_ui, m_actions, [this] { return newTab(); }, [this] { return eutilsIdentity(); }, this);
    m_history = new HistoryActions(m_services, *m_ui, *mainWindow);
    m_references = new ReferenceActions(
        m_services.endpoints, *mainWindow, *m_ui->fileMenu, *m_ui->searchNSTextField,
        {[this] { return ensureOnline(); }, [this] { return eutilsIdentity(); },
         [this](const QString &title, const QStringList &pmids, const QStringList &references) {
             newTab()->session().start(SearchSource::list(title, pmids, references));
         }});
    m_reviews = new ReviewActions(
        m_services, *mainWindow, *m_ui, [this] { return currentSearchForReview(); }, [this] { return eutilsIdentity(); },
        std::bind_front(&ResultTabs::showPage, m_tabs), this);
    createFullTextActions();
    newTab()->applyLayout(layout);
    if (!layout.geometry.isEmpty())
        mainWindow->restoreGeometry(layout.geometry);

    m_recentSearches = m_history->completer();
    connect(m_recentSearches, &RecentSearchCompleter::queriesChanged, this, &AppController::showRecentSearches);
    showRecentSearches();
    new SortOrderChoice(*m_ui->sortByBox, *m_services.preferences, this);
    m_filters = new SearchFilterBar(mainWindow);
    m_ui->mainLayout->insertWidget(1, m_filters);
    addSearchBuilding();
    mainWindow->installEventFilter(this);
    DockMemory::remember(*mainWindow, *m_ui->searchTagsPanel, settings, {.shown = false, .floating = true});
    new EscapeCloses(*m_ui->searchTagsPanel);
    new DialogTitleFit(*this);
    connectActions();
}

// The MeSH browser, the advanced builder and the results by year: each
// writes into the search field or the filters, never searches on its own.
void AppController::addSearchBuilding()
{
    const SessionSettings settings = sessionSettings();
    m_mesh = new MeshBrowserActions(settings, *m_ui, *mainWindow);
    connect(m_mesh, &MeshBrowserActions::clauseChosen, this, [this](const QString &clause, QueryBuilder::Operator op) {
        m_ui->searchNSTextField->setText(QueryBuilder::combine(m_ui->searchNSTextField->text(), op, clause));
    });
    m_advanced = new AdvancedSearchActions(settings, m_services.library, *mainWindow);
    connect(m_advanced, &AdvancedSearchActions::queryChosen, m_ui->searchNSTextField, &QLineEdit::setText);
    connect(m_advanced, &AdvancedSearchActions::searchRequested, this, [this](const QString &query, bool inNewTab) {
        m_ui->searchNSTextField->setText(query);
        if (inNewTab)
            searchInNewTab();
        else
            searchPubmed();
    });
    m_timeline = new TimelineActions(m_services, settings, *m_ui, *mainWindow);
    QSettings &docks = *m_services.preferences->settings();
    DockMemory::remember(*mainWindow, *m_mesh->panel(), docks, {.area = Qt::LeftDockWidgetArea, .shown = false});
    DockMemory::remember(*mainWindow, *m_timeline->panel(), docks, {.area = Qt::BottomDockWidgetArea, .shown = false});
    connect(m_timeline, &TimelineActions::yearsChosen, this, [this](int fromYear, int toYear) {
        m_filters->setYears(fromYear, toYear);
        SearchSource source = session().source();
        if (source.kind != SearchSource::Kind::Query)
            return;
        source.filters.yearFrom = fromYear;
        source.filters.yearTo = toYear;
        run(currentTab(), source);
    });
}

AppController::~AppController()
{
    delete mainWindow;
}

void AppController::connectActions()
{
    Ui::MainWindow &ui = *m_ui;
    connect(ui.searchPubmedNSButton, &QPushButton::clicked, this, &AppController::searchPubmed);
    connect(ui.searchNSTextField, &QLineEdit::returnPressed, this, &AppController::searchPubmed);
    connect(ui.cancelNSButton, &QPushButton::clicked, this, &AppController::cancelSearch);
    connect(ui.getAllNSButton, &QPushButton::clicked, this, &AppController::getMoreArticles);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), mainWindow), &QShortcut::activated, this, [this] {
        // The innermost popup (the recent searches, a menu) takes Escape
        // first; a transfer is cancelled only when nothing else would close.
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        else if (transferRunning())
            cancelSearch();
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &AppController::showTab);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &AppController::closeTab);
    connect(ui.newTabAction, &QAction::triggered, this, [this] {
        newTab();
        m_ui->searchNSTextField->setFocus();
    });
    connect(ui.searchInNewTabAction, &QAction::triggered, this, &AppController::searchInNewTab);
    connect(ui.closeTabAction, &QAction::triggered, this, [this] { closeTab(m_tabs->currentIndex()); });
    assignWindowShortcuts(ui);
    connect(ui.nextTabAction, &QAction::triggered, this, [this] { m_tabs->step(1); });
    connect(ui.previousTabAction, &QAction::triggered, this, [this] { m_tabs->step(-1); });
    connect(ui.focusSearchFieldAction, &QAction::triggered, this, [this] {
        m_ui->searchNSTextField->setFocus(Qt::ShortcutFocusReason);
        m_ui->searchNSTextField->selectAll();
    });

    connect(ui.clearRecentSearchesAction, &QAction::triggered, m_history, &HistoryActions::clearRecentSearches);
    connect(m_history, &HistoryActions::searchRequested, this, [this](const SearchSource &source) {
        // After the new tab, whose empty search the field showed as it opened.
        ResultTab *tab = newTab();
        m_ui->searchNSTextField->setText(source.title());
        run(tab, source);
    });
    // Quitting from the menu ends the application without closing the window.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppController::saveWindowLayout);
    connect(ui.checkForUpdatesAction, &QAction::triggered, this, &AppController::checkForUpdates);
    connect(ui.preferencesAction, &QAction::triggered, this, &AppController::showPreferencePanel);
    connect(ui.quitAction, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(ui.copyAction, &QAction::triggered, this, &copyFromFocusedWidget);
    connect(ui.exportSelectedAction, &QAction::triggered, this, &AppController::exportSelected);
    connect(ui.exportAllAction, &QAction::triggered, this, &AppController::exportAll);
    const std::pair<QAction *, ArticleActions::Page> pages[] = {{ui.openDoiAction, ArticleActions::Page::DoiWhereKnown},
                                                                {ui.openInPubMedAction, ArticleActions::Page::PubMed},
                                                                {ui.openFreeFullTextAction, ArticleActions::Page::FreeFullText}};
    for (const auto &[action, page] : pages)
        connect(action, &QAction::triggered, this,
                [this, page = page] { m_actions.openPages(getArticleList(), selectedRows(), page); });
    connect(ui.copyCitationAction, &QAction::triggered, this,
            [this] { m_actions.copyCitations(getArticleList(), selectedRows()); });
    connect(ui.copyPmidAction, &QAction::triggered, this, [this] { m_actions.copyPmids(getArticleList(), selectedRows()); });
    connect(ui.copyDoiAction, &QAction::triggered, this, [this] { m_actions.copyDois(getArticleList(), selectedRows()); });
    const std::pair<QAction *, ExportFormat> copyAs[] = {{ui.copyAsRisAction, ExportFormat::Ris},
                                                         {ui.copyAsBibtexAction, ExportFormat::Bibtex},
                                                         {ui.copyAsMedlineAction, ExportFormat::Medline}};
    for (const auto &[action, format] : copyAs)
        connect(action, &QAction::triggered, this,
                [this, format = format] { m_actions.copyAs(format, getArticleList(), selectedRows()); });
    connect(ui.searchTagsAction, &QAction::triggered, this, &AppController::showSearchTagsPanel);
    connect(ui.pubMedHelpAction, &QAction::triggered, this, &AppController::openMoreHelp);
}

void AppController::awakeFromNib()
{
    showSessionState();
    m_updates->armStartupCheck();
    // The window comes first; the launch check never holds it up.
    mainWindow->show();
    mainWindow->raise();
    mainWindow->activateWindow();
    m_ui->searchNSTextField->setFocus();
    if (updateCheckOnStart())
        m_updates->startAtLaunch();
}

EutilsIdentity AppController::eutilsIdentity() const
{
    return {m_preferences.apiKey(), m_preferences.contactEmail()};
}

bool AppController::internetOnline() const
{
    return ::internetOnline(*m_services.reachability);
}

bool AppController::ensureOnline() const
{
    const bool online = internetOnline();
    if (!online)
        m_services.alerts->run(Alert::networkError(), mainWindow);
    return online;
}

// --- Tabs and their sessions ------------------------------------------------------

SessionSettings AppController::sessionSettings()
{
    SessionSettings settings;
    settings.endpoints = m_services.endpoints;
    settings.limits.timeoutMs = m_services.networkTimeoutMs;
    settings.retries.msPerSecond = m_services.retryMsPerSecond;
    settings.batchSize = [this] { return thisMany(); };
    settings.identity = [this] { return eutilsIdentity(); };
    settings.citedByCounts = [this] { return m_preferences.showCitationCounts(); };
    settings.citationSource = [this] { return m_preferences.citationSource(); };
    return settings;
}

ResultTab *AppController::newTab()
{
    auto *tab = new ResultTab(std::make_unique<SearchSession>(sessionSettings()));
    // A new tab starts with the columns and split of the one the user looks at.
    if (ResultTab *current = currentTab()) {
        WindowLayout layout;
        current->captureLayout(layout);
        tab->applyLayout(layout);
    }
    connect(&tab->session(), &SearchSession::changed, this, [this, tab] {
        if (tab == currentTab())
            showSessionState();
    });
    connect(tab, &ResultTab::selectionChanged, this, &AppController::tableViewSelectionDidChange);
    connect(tab, &ResultTab::openRequested, this, &AppController::openItem);
    connect(tab, &ResultTab::copyRequested, this,
            [this, tab](const QList<int> &rows) { m_actions.copyCitations(tab->session().articles(), rows); });
    tab->model().setMimeDataMaker(
        [this, tab](const QList<int> &rows) { return m_actions.mimeData(tab->session().articles(), rows); });
    connect(tab, &ResultTab::linkSetChosen, this, &AppController::openLinkedArticles);
    connect(tab, &ResultTab::linkChosen, this, [this, tab](ArticleActions::Page page) {
        if (tab->singleSelectedArticle())
            m_actions.openPages(tab->session().articles(), tab->selectedRows(), page);
    });
    // A source that is not free is reached through the institution's proxy when that is on.
    connect(tab, &ResultTab::sourceChosen, this, [this](const FullTextSource &source) {
        const QString url = source.url.toString(QUrl::FullyEncoded);
        m_actions.openUrl(source.free ? url : throughProxy(url));
    });
    tab->model().setFullTextCheck([this, tab](const QString &pmid) {
        using Mark = ArticleTableModel::FullTextMark;
        if (m_keptFullTexts.contains(pmid.toLongLong()))
            return Mark::Kept;
        return tab->fullTextSources().hasFreeSource(pmid) ? Mark::FreeSource : Mark::None;
    });
    m_history->attach(*tab);
    connect(tab, &ResultTab::contextMenuRequested, this, [this](const QPoint &position) {
        std::unique_ptr<QMenu> menu(tableContextMenu());
        menu->exec(position);
    });
    m_tabs->addResultTab(tab);
    return tab;
}

void AppController::closeTab(int index)
{
    QWidget *tab = m_tabs->widget(index);
    if (!tab)
        return;
    // The window always has a result set: closing the last one leaves a new, empty one.
    if (qobject_cast<ResultTab *>(tab) && tabCount() == 1)
        newTab();
    m_tabs->removeTab(m_tabs->indexOf(tab));
    delete tab; // and with it its session and transfer
}

void AppController::showTab(int)
{
    // A page (a text being read, a review) offers no action on articles.
    if (!m_tabs->showsResults()) {
        updateSelectionActions();
        return;
    }
    if (!currentTab())
        return;
    m_ui->searchNSTextField->setText(searchString());
    showSessionState();
    tableViewSelectionDidChange();
}

void AppController::showSessionState()
{
    const SearchSession &current = session();
    Ui::MainWindow &ui = *m_ui;
    ui.messageNSTextField->setText(current.message());
    ui.cancelNSButton->setEnabled(current.isBusy());
    ui.searchNSProgressIndicator->setHidden(!current.isBusy());
    ui.myNSProgressIndicator->setHidden(!current.isReceiving());
    ui.myNSProgressIndicator->setValue(int(std::min(current.progress(), 100.0)));
    ui.getAllNSButton->setHidden(!current.hasMore());
    // A focused button being disabled hands the focus on down the chain; the
    // more-articles button parks it in the table while its batch downloads and
    // takes it back after, so that Space fetches the next one again.
    QPushButton *more = ui.getAllNSButton;
    if (current.isBusy() && more->hasFocus()) {
        m_moreTakesFocusBack = true;
        currentTab()->table()->setFocus(Qt::OtherFocusReason);
    }
    more->setEnabled(!current.isBusy());
    if (!current.isBusy() && std::exchange(m_moreTakesFocusBack, false) && more->isVisible()
        && currentTab()->table()->hasFocus())
        more->setFocus(Qt::OtherFocusReason);
    ui.getAllNSButton->setText(AppMessages::moreArticles(current.moreCount()));
    m_details->show(current, currentTab()->typedQuery());
    m_spelling->show(current);
    if (m_timeline)
        m_timeline->follow(currentTab());
}

// --- Search -----------------------------------------------------------------

void AppController::searchInNewTab()
{
    if (prepareQueryTerm(m_ui->searchNSTextField->text()).isEmpty())
        return;
    const QString query = m_ui->searchNSTextField->text();
    newTab();
    m_ui->searchNSTextField->setText(query);
    startSearch(currentTab());
}

void AppController::startSearch(ResultTab *tab)
{
    const QString query = m_ui->searchNSTextField->text();
    // A query of nothing but white space is no query.
    if (!prepareQueryTerm(query).isEmpty())
        run(tab, SearchSource::pubmedQuery(query, m_preferences.sortOrder(), m_filters->filters()));
}

void AppController::run(ResultTab *tab, SearchSource source)
{
    // The recent searches step aside for the search picked or typed, and for its messages.
    if (QCompleter *recent = m_ui->searchNSTextField->completer())
        recent->popup()->hide();
    const QString typed = source.query;
    // A search typed while a page is shown runs in the result set shown last: show it.
    m_tabs->setCurrentWidget(tab);
    if (ensureOnline() && m_history->expand(*tab, source) && tab->session().start(source))
        m_recentSearches->remember(typed);
}

// --- Selection ------------------------------------------------------------------

void AppController::tableViewSelectionDidChange()
{
    ResultTab *tab = currentTab();
    const ArticleRecord *article = tab->singleSelectedArticle();
    tab->showSelection(citationStyle(), article ? m_actions.pagesOf(*article) : QList<ArticleActions::Page>());
    m_highlighter->apply(*tab);
    updateSelectionActions();
}

void AppController::updateSelectionActions()
{
    Ui::MainWindow &ui = *m_ui;
    const bool results = m_tabs->showsResults();
    const ArticleActions::Offer offer = results ? m_actions.offer(getArticleList(), selectedRows()) : ArticleActions::Offer{};
    ui.exportAllAction->setEnabled(results && !getArticleList().isEmpty());
    for (QAction *action : {ui.exportSelectedAction, ui.copyCitationAction, ui.openInPubMedAction, ui.copyPmidAction})
        action->setEnabled(offer.any);
    ui.copyAsMenu->setEnabled(offer.any);
    m_links->setEnabled(offer.any);
    m_fullTexts->setEnabled(offer.any);
    ui.openDoiAction->setEnabled(offer.doi);
    ui.copyDoiAction->setEnabled(offer.doi);
    ui.openFreeFullTextAction->setEnabled(offer.freeFullText);
}

void AppController::openItem()
{
    // Every selected article, one without a DOI too: that opens its PubMed page.
    m_actions.openPages(getArticleList(), selectedRows(), ArticleActions::Page::Doi);
}

void AppController::createFullTextActions()
{
    FullTextActions::Hooks hooks;
    hooks.selection = [this] {
        QList<FullTextArticle> articles;
        for (const int row : selectedRows()) {
            const ArticleRecord &article = getArticleList().at(row);
            if (!article.text(ArticleRecord::Key::PMID).isEmpty())
                articles.append({article.text(ArticleRecord::Key::PMID), article.text(ArticleRecord::Key::Doi)});
        }
        return articles;
    };
    hooks.queryWords = [this] { return wordsLookedFor(session().source()); };
    hooks.ensureOnline = [this] { return ensureOnline(); };
    hooks.identity = [this] { return eutilsIdentity(); };
    hooks.saveEmail = [this](const QString &email) { m_services.preferences->setObject(PreferenceKeys::ContactEmail, email); };
    hooks.askText = [this](const QString &title, const QString &label) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(mainWindow, title, label, QLineEdit::Normal, {}, &ok);
        return ok ? std::optional(text) : std::nullopt;
    };
    hooks.say = [this](const QString &message) { m_ui->messageNSTextField->setText(message); };
    hooks.alert = [this](const QString &message) {
        m_services.alerts->run({Alert::Style::Warning, FullTextTexts::ReaderTitle, message, {}, {QStringLiteral("OK")}}, mainWindow);
    };
    hooks.openList = [this](const QString &title, const QStringList &pmids) {
        if (ensureOnline())
            newTab()->session().start(SearchSource::list(title, pmids, QStringList(pmids.size(), title)));
    };
    hooks.publisherOpening = [this](const QString &url) { return throughProxy(url); };
    hooks.showPage = std::bind_front(&ResultTabs::showPage, m_tabs);
    m_fullTexts = new FullTextActions(m_services.endpoints, m_services.library, *mainWindow, *m_links->menu(), std::move(hooks));
    connect(m_fullTexts, &FullTextActions::kept, this, &AppController::refreshKeptFullTexts);
    refreshKeptFullTexts();
    // A review's full-text stage shows what Get Full Text kept.
    m_reviews->setKeptTextSource([library = m_services.library](qint64 pmid) {
        if (!library)
            return QString();
        const std::optional<KeptFullText> kept = FullTextShelf(*library).kept(pmid, FullTextKind::Text);
        return kept && kept->document ? kept->document->plainText() : QString();
    });
}

void AppController::refreshKeptFullTexts()
{
    const std::optional<QList<qint64>> kept = m_services.library ? m_services.library->fullTextPmids() : std::nullopt;
    m_keptFullTexts = kept ? QSet<qint64>(kept->cbegin(), kept->cend()) : QSet<qint64>();
    for (ResultTab *tab : m_tabs->resultTabs())
        tab->model().fullTextChanged();
}

QString AppController::throughProxy(const QString &url) const
{
    return m_preferences.useProxy() ? proxiedUrl(m_preferences.proxyURL(), url) : url;
}

void AppController::openLinkedArticles(LinkKind kind)
{
    const QStringList pmids = LinkActions::pmidsOf(getArticleList(), selectedRows());
    if (pmids.isEmpty())
        return;
    if (ensureOnline())
        newTab()->session().start(SearchSource::linkedTo(kind, pmids));
}

QMenu *AppController::tableContextMenu() const
{
    // The menu bar's own actions, so shortcuts and enabled states agree.
    auto *menu = new QMenu(currentTab()->table());
    menu->addAction(m_ui->openDoiAction);
    menu->addAction(m_ui->openInPubMedAction);
    // Offered only where there is free full text to open.
    if (m_ui->openFreeFullTextAction->isEnabled())
        menu->addAction(m_ui->openFreeFullTextAction);
    menu->addSeparator();
    menu->addAction(m_ui->copyCitationAction);
    menu->addAction(m_ui->copyPmidAction);
    menu->addAction(m_ui->copyDoiAction);
    menu->addMenu(m_ui->copyAsMenu);
    menu->addSeparator();
    m_links->addTo(menu);
    m_fullTexts->addTo(menu);
    menu->addSeparator();
    menu->addAction(m_ui->exportSelectedAction);
    m_collections->addTo(menu);
    return menu;
}

void AppController::exportRows(bool all)
{
    QList<int> rows = selectedRows();
    if (all) {
        rows.resize(getArticleList().size());
        std::iota(rows.begin(), rows.end(), 0);
    }
    if (rows.isEmpty())
        return;
    const QString title = all ? AppMessages::ExportAllTitle : AppMessages::ExportSelectedTitle;
    if (const std::optional<ExportTarget> target = chooseExportFile(mainWindow, title))
        m_actions.exportTo(target->path, target->format, getArticleList(), rows);
}

// --- Small actions ----------------------------------------------------------------

void AppController::showSearchTagsPanel()
{
    m_ui->searchTagsPanel->show();
    m_ui->searchTagsPanel->raise();
    m_ui->searchTagsPanel->activateWindow();
}

void AppController::openMoreHelp()
{
    m_services.urlOpener->open(QUrl(m_services.endpoints.pubmedOrigin() + QLatin1String(Paths::PubMedFieldHelp)));
}

void AppController::showPreferencePanel()
{
    if (!preferenceController) {
        preferenceController = std::make_unique<PreferenceController>(*m_services.preferences);
        preferenceController->setUpdateCheckOffered(m_services.updateSource == UpdateSource::VersionPage);
        connect(preferenceController.get(), &PreferenceController::displayChanged, this,
                &AppController::tableViewSelectionDidChange);
    }
    preferenceController->showWindow();
}

// --- What the window remembers -------------------------------------------------

void AppController::saveWindowLayout() const
{
    WindowLayout layout;
    layout.geometry = mainWindow->saveGeometry();
    currentTab()->captureLayout(layout);
    layout.save(*m_services.preferences->settings());
}

bool AppController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mainWindow && event->type() == QEvent::Close)
        saveWindowLayout();
    return QObject::eventFilter(watched, event);
}

void AppController::showRecentSearches()
{
    m_ui->clearRecentSearchesAction->setEnabled(!m_recentSearches->queries().isEmpty());
}

std::optional<SearchToAdd> AppController::currentSearchForReview() const
{
    const ArticleList &articles = getArticleList();
    if (articles.isEmpty())
        return std::nullopt;
    SearchToAdd search{searchString(), totalCount(), {}};
    for (const ArticleRecord &article : articles)
        search.records.append(recordFromReference(referenceForArticle(article)));
    return search;
}
