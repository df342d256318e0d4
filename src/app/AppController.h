#pragma once

#include "app/AppServices.h"
#include "app/ArticleActions.h"
#include "citations/RichText.h"
#include "entrez/ArticleRecord.h"
#include "export/CitationStyle.h"
#include "export/ExportFormat.h"
#include "preferences/PreferenceStore.h"

#include <QObject>

#include <memory>

class PreferenceController;
class QMainWindow;
class QMenu;
class QMimeData;
class RecentSearchCompleter;
class ResultTab;
class SearchSession;
class UpdatePrompt;
struct EutilsIdentity;

namespace Ui {
class MainWindow;
}

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
    ResultTab *currentTab() const;
    SearchSession &session() const;
    int tabCount() const;
    ArticleList &getArticleList() const;
    int numberOfRowsInTableView() const { return int(getArticleList().size()); }
    int32_t totalCount() const;
    int32_t retStart() const;
    int32_t retMax() const;
    QString searchString() const;
    bool transferRunning() const;
    double progressValue() const;
    bool startupUpdateCheck() const;
    bool launchUpdateCheckRunning() const;

    QString citationStringForArticle(const ArticleRecord &article) const;
    RichText citationAStringForArticle(const ArticleRecord &article) const;
    // The result table's context menu, for the caller to show and delete.
    QMenu *tableContextMenu() const;
    QStringList recentSearches() const;
    // Writes the window's frame and the current tab's split, columns and sort.
    void saveWindowLayout() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void searchPubmed();
    void searchInNewTab();
    ResultTab *newTab();
    void closeTab(int index);
    void getMoreArticles();
    void cancelSearch();
    void openItem();
    void tableViewSelectionDidChange();
    void checkForUpdates();
    void showPreferencePanel();
    void showSearchTagsPanel();
    void openMoreHelp();
    void exportSelected();
    void exportAll();

private:
    void connectActions();
    void startSearch(ResultTab *tab);
    void showTab(int index);
    void showSessionState();
    void showRecentSearches();
    void copyFromFocus();
    void exportRows(const QList<int> &rows, const QString &title);
    void updateSelectionActions();
    // The rows of the current tab the context menu's commands act on.
    QList<int> selectedRows() const;

    AppServices m_services;
    AppPreferences m_preferences;
    std::unique_ptr<Ui::MainWindow> m_ui;
    QMainWindow *mainWindow = nullptr;
    ArticleActions m_actions;
    std::unique_ptr<UpdatePrompt> m_updates;
    std::unique_ptr<PreferenceController> preferenceController;
    RecentSearchCompleter *m_recentSearches = nullptr;
};
