#pragma once

#include "gui/mainwindow/AppServices.h"
#include "gui/articles/ArticleActions.h"
#include "gui/mainwindow/ResultTab.h"
#include "gui/mainwindow/ResultTabs.h"
#include "gui/mainwindow/UpdatePrompt.h"
#include "citations/Citation.h"
#include "citations/RichText.h"
#include "gui/search/RecentSearchCompleter.h"
#include "entrez/ArticleRecord.h"
#include "export/CitationStyle.h"
#include "export/ExportFormat.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchSession.h"

namespace Ui {
class MainWindow;
}

#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

class AdvancedSearchActions;
class CollectionActions;
class ReviewActions;
struct SearchToAdd;
class MeshBrowserActions;
class TimelineActions;
class FullTextActions;
class HistoryActions;
class LinkActions;
class ReferenceActions;
class PreferenceController;
class SearchDetailsPanel;
class SearchFilterBar;
class SpellingSuggestion;
class QueryHighlighter;
class QMainWindow;
class QMenu;
class QMimeData;
struct EutilsIdentity;

// Wires the main window to what does the work: one SearchSession per result
// tab, ArticleActions for whatever is done with selected rows, UpdatePrompt,
// the remembered layout and recent searches. The search row above the tabs
// is one: it shows and drives the current tab's session.
class AppController : public QObject
{
    Q_OBJECT

public:
    explicit AppController(const AppServices &services, QObject *parent = nullptr);
    ~AppController() override;

    // Shows the window with its controls idle and, when the preference asks
    // for it, starts the update check in the background.
    void awakeFromNib();
    QMainWindow *window() const { return mainWindow; }
    const AppServices &services() const { return m_services; }

    // Preferences, read afresh on every call.
    bool useProxy() const { return m_preferences.useProxy(); }
    int thisMany() const { return m_preferences.thisMany(); }
    bool updateCheckOnStart() const { return m_preferences.updateCheckOnStart(); }
    int urlWarningNumber() const { return m_preferences.urlWarningNumber(); }
    QString proxyURL() const { return m_preferences.proxyURL(); }
    CitationStyle citationStyle() const { return m_preferences.citationStyle(); }
    EutilsIdentity eutilsIdentity() const;
    bool internetOnline() const;
    PreferenceController *preferences() const { return preferenceController.get(); }

    // The current tab and its session; there is always one.
    ResultTab *currentTab() const { return m_tabs->current(); }
    SearchSession &session() const { return currentTab()->session(); }
    // The result sets, the pages beside them not counted.
    int tabCount() const { return int(m_tabs->resultTabs().size()); }
    ArticleList &getArticleList() const { return session().articles(); }
    int numberOfRowsInTableView() const { return int(getArticleList().size()); }
    int32_t totalCount() const { return session().totalCount(); }
    int32_t retStart() const { return session().retStart(); }
    int32_t retMax() const { return session().retMax(); }
    QString searchString() const { return session().source().query; }
    bool transferRunning() const { return session().isBusy(); }
    double progressValue() const { return session().progress(); }
    bool startupUpdateCheck() const { return m_updates->startupUpdateCheck(); }
    bool launchUpdateCheckRunning() const { return m_updates->launchCheckRunning(); }

    QString citationStringForArticle(const ArticleRecord &article) const { return ::citationStringForArticle(article); }
    RichText citationAStringForArticle(const ArticleRecord &article) const
    {
        return ::citationAStringForArticle(article, m_services.endpoints);
    }
    // The result table's context menu, for the caller to show and delete.
    QMenu *tableContextMenu() const;
    QStringList recentSearches() const { return m_recentSearches->queries(); }
    // Writes the window's frame and the current tab's split, columns and sort.
    void saveWindowLayout() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void searchPubmed() { startSearch(currentTab()); }
    void searchInNewTab();
    ResultTab *newTab();
    void closeTab(int index);
    void getMoreArticles() { session().fetchMore(); }
    void cancelSearch() { session().cancel(); }
    void openItem();
    void tableViewSelectionDidChange();
    void checkForUpdates() { m_updates->checkNow(); }
    void showPreferencePanel();
    void showSearchTagsPanel();
    void openMoreHelp();
    void exportSelected() { exportRows(false); }
    void exportAll() { exportRows(true); }

private:
    void connectActions();
    void addSearchBuilding();
    // What every session and request of the window is given.
    SessionSettings sessionSettings();
    void startSearch(ResultTab *tab);
    // Searches `source` in `tab`, its #n references expanded.
    void run(ResultTab *tab, SearchSource source);
    void showTab(int index);
    void showSessionState();
    void showRecentSearches();
    // Asks for a file and writes the selected rows, or all of them, to it.
    void exportRows(bool all);
    // Online, or else the "Network Error" alert has been shown.
    bool ensureOnline() const;
    void updateSelectionActions();
    // A new tab with the selection's links of `kind`.
    void openLinkedArticles(LinkKind kind);
    // The current tab's articles with their query and count, to add to a review.
    std::optional<SearchToAdd> currentSearchForReview() const;
    // The address as the user's browser opens it: through the proxy when on.
    QString throughProxy(const QString &url) const;
    // The PMIDs whose full text is kept, read again after Get Full Text.
    void refreshKeptFullTexts();
    void createFullTextActions();
    // The rows of the current tab the context menu's commands act on.
    QList<int> selectedRows() const { return currentTab()->selectedRows(); }

    AppServices m_services;
    AppPreferences m_preferences;
    QSet<qint64> m_keptFullTexts;
    std::unique_ptr<Ui::MainWindow> m_ui;
    QMainWindow *mainWindow = nullptr;
    ResultTabs *m_tabs = nullptr;
    ArticleActions m_actions;
    std::unique_ptr<UpdatePrompt> m_updates;
    std::unique_ptr<PreferenceController> preferenceController;
    RecentSearchCompleter *m_recentSearches = nullptr;
    SearchDetailsPanel *m_details = nullptr;
    SearchFilterBar *m_filters = nullptr;
    SpellingSuggestion *m_spelling = nullptr;
    QueryHighlighter *m_highlighter = nullptr;
    LinkActions *m_links = nullptr;
    CollectionActions *m_collections = nullptr;
    ReviewActions *m_reviews = nullptr;
    HistoryActions *m_history = nullptr;
    MeshBrowserActions *m_mesh = nullptr;
    AdvancedSearchActions *m_advanced = nullptr;
    TimelineActions *m_timeline = nullptr;
    // The more-articles button had the focus when its batch started.
    bool m_moreTakesFocusBack = false;
    ReferenceActions *m_references = nullptr;
    FullTextActions *m_fullTexts = nullptr;
};
