#pragma once

#include "app/AlertPresenter.h"
#include "app/ArticleLinksLabel.h"
#include "app/ArticleTableModel.h"
#include "app/UrlOpener.h"
#include "common/Endpoints.h"
#include "common/UpdateSource.h"
#include "citations/RichText.h"
#include "entrez/ArticleRecord.h"
#include "export/CitationStyle.h"
#include "export/ExportFormat.h"
#include "preferences/PreferenceStore.h"
#include "preferences/RecentSearches.h"
#include "search/SearchPaging.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class ArticleDownload;
class BlockingFetcher;
class LaunchUpdateCheck;
class PacedFetcher;
struct EutilsIdentity;
class KebNSTableView;
class PreferenceController;
class QAbstractScrollArea;
class QCompleter;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QStringListModel;
class QTextEdit;
class Reachability;
struct SearchResult;

namespace Ui {
class MainWindow;
}

// What the controller needs from the outside world; the application passes
// the real services, tests pass fakes.
struct AppServices
{
    PreferenceStore *preferences = nullptr;
    Endpoints endpoints;
    Reachability *reachability = nullptr;
    AlertPresenter *alerts = nullptr;
    UrlOpener *urlOpener = nullptr;
    int networkTimeoutMs = kNetworkTimeoutMs;
    UpdateSource updateSource = UpdateSource::VersionPage;
    // Length of one second of the waits before a busy service is asked again;
    // tests shorten it.
    int retryMsPerSecond = 1000;
};

// The main controller: owns the main window, the state of the current search,
// the article list and the one outstanding article download. The logic of each
// operation lives in the subsystem classes; this class wires it to the window.
class AppController : public QObject
{
    Q_OBJECT

public:
    explicit AppController(const AppServices &services, QObject *parent = nullptr);
    ~AppController() override;

    // Puts the window's controls into their idle state, runs the start-up update
    // check when the preference asks for it, then shows the window.
    void awakeFromNib();

    QMainWindow *window() const { return mainWindow; }

    // Preferences, read afresh on every call.
    bool useProxy() const;
    int thisMany() const;
    bool updateCheckOnStart() const;
    int urlWarningNumber() const;
    QString proxyURL() const;
    CitationStyle citationStyle() const;
    EutilsIdentity eutilsIdentity() const;

    ArticleList &getArticleList() { return articleList; }
    int numberOfRowsInTableView() const { return int(articleList.size()); }
    bool internetOnline() const;
    PreferenceController *preferences() const { return preferenceController.get(); }

    // Citations of one article.
    QString citationStringForArticle(const ArticleRecord &article) const;
    RichText citationAStringForArticle(const ArticleRecord &article) const;

    // Search state, read by tests and the status display.
    int32_t totalCount() const { return m_totalCount; }
    int32_t PMIDsCount() const { return m_PMIDsCount; }
    int32_t retStart() const { return m_paging.retStart(); }
    int32_t retMax() const { return m_paging.retMax(); }
    QString searchString() const { return m_searchString; }
    bool startupUpdateCheck() const { return m_startupUpdateCheck; }
    // The update check begun at launch is still waiting for the version page.
    bool launchUpdateCheckRunning() const;
    bool transferRunning() const;
    // The last progress estimate of the download, unclamped (the bar shows at most 100).
    double progressValue() const { return m_progressValue; }

    // The export of rows as citations in the chosen style (RTF, HTML and
    // plain text), and as RIS for reference managers.
    QMimeData *mimeDataForRows(const QList<int> &rows) const;
    void copyRowsToClipboard(const QList<int> &rows) const;
    // The selected rows as the text of one export format.
    void copySelectedAs(ExportFormat format) const;
    // The result table's context menu, for the caller to show and delete.
    QMenu *tableContextMenu() const;

    // The queries the search field offers, most recent first.
    QStringList recentSearches() const { return m_recentSearches.queries(); }
    // Writes the window's size and place, its split and the table's columns
    // and sort to the settings; done when the window closes or the
    // application quits.
    void saveWindowLayout() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void clearRecentSearches();
    void searchPubmed();
    void executeSearch();
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
    // The context menu's commands on the selected rows.
    void openSelectedDois();
    void openSelectedInPubMed();
    void openSelectedFreeFullText();
    void copySelectedCitations() const;
    void copySelectedPmids() const;
    void copySelectedDois() const;
    // A link under the citation of the one selected article.
    void openArticleLink(ArticleLinksLabel::Link link);

    // The article download's callbacks.
    void connectionDidReceiveResponse();
    void connectionDidReceiveData(double progress);
    void connectionDidFinishLoading();
    // The completion of a transfer whose answer gave `batch`; `appended` is
    // what ArticleDownload::takeArticles returned for it.
    void showDownloadedBatch(ArticleList batch, qsizetype appended);
    void connectionDidFailWithError(const QString &description, const QString &failingUrl);

private:
    void connectActions();
    void restoreWindowLayout();
    void rememberQuery(const QString &query);
    void showRecentSearches();
    void copyFromFocus();
    void initiateArticleDownload(const QStringList &PMIDs);
    void endBusyState(const QString &message);
    void offerFailedBatchAgain();
    void replaceArticleList();
    void showNetworkErrorAlert();
    // Opens every URL, after asking when there are more than the warning
    // threshold; DOI URLs through the proxy when the preferences say so.
    void openLinks(const QStringList &urls, bool doiLinks);
    void openDoiLink(const QString &doiUrl);
    void openUrl(const QString &target);
    // The pages of the articles at `rows` that have one, made by `urlFor` ("" for none).
    QStringList urlsAt(const QList<int> &rows,
                       const std::function<QString(const ArticleRecord &)> &urlFor) const;
    ArticleList articlesAt(const QList<int> &rows) const;
    // The one selected article, none when no or several rows are selected.
    const ArticleRecord *singleSelectedArticle() const;
    QList<ArticleLinksLabel::Link> linksOf(const ArticleRecord &article) const;
    // Asks for a file and writes the rows to it in the format its name picks.
    void exportRows(const QList<int> &rows, const QString &title);
    // Enables the commands that act on the selection by what it holds.
    void updateSelectionActions();
    void startLaunchUpdateCheck();
    int versionAlert(const QString &text, const QStringList &buttons);
    void offerNewVersion();
    void showRetryWait(int seconds);
    void endRetryWait();

    AppServices m_services;
    AppPreferences m_preferences;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<BlockingFetcher> m_fetcher;
    std::unique_ptr<PacedFetcher> m_esearch;
    std::unique_ptr<ArticleDownload> m_download;
    std::unique_ptr<LaunchUpdateCheck> m_launchUpdateCheck;

    // Outlets.
    QTextEdit *abstractNSTextView = nullptr;
    QAbstractScrollArea *abstractNSScrollView = nullptr;
    QTextEdit *citationNSTextView = nullptr;
    ArticleLinksLabel *articleLinksLabel = nullptr;
    QLineEdit *searchNSTextField = nullptr;
    QLabel *messageNSTextField = nullptr;
    QProgressBar *searchNSProgressIndicator = nullptr;
    KebNSTableView *articleNSTableView = nullptr;
    QPushButton *searchPubmedNSButton = nullptr;
    QPushButton *cancelNSButton = nullptr;
    QPushButton *getAllNSButton = nullptr;
    QDockWidget *searchTagsPanel = nullptr;
    QMainWindow *mainWindow = nullptr;

    // State.
    ArticleList articleList;
    ArticleTableModel m_model;
    int32_t m_totalCount = 0;
    int32_t m_PMIDsCount = 0;
    SearchPaging m_paging;
    // The window of the batch being downloaded, offered again if its transfer fails.
    SearchPaging m_batchPaging;
    QString m_searchString;
    std::unique_ptr<PreferenceController> preferenceController;
    QProgressBar *myNSProgressIndicator = nullptr;
    bool m_startupUpdateCheck = false;
    double m_progressValue = 0;
    RecentSearches m_recentSearches;
    QStringListModel *m_recentSearchesModel = nullptr;
    QCompleter *m_searchCompleter = nullptr;
    // The message line under a "PubMed is busy" notice, shown again when the retry goes out.
    QString m_messageBeforeRetry;
};
