#include "AppController.h"

#include "ui_MainWindow.h"

#include "app/AppMessages.h"
#include "app/RichTextView.h"
#include "citations/ArticleLinks.h"
#include "citations/Citation.h"
#include "citations/LinkUrl.h"
#include "citations/KebNSTableView.h"
#include "citations/HtmlWriter.h"
#include "citations/PlainWriter.h"
#include "citations/ProxyLink.h"
#include "citations/RtfWriter.h"
#include "citations/StyledText.h"
#include "common/IntValue.h"
#include "common/SystemLog.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/EutilsRequest.h"
#include "entrez/PacedFetcher.h"
#include "entrez/PmidSearch.h"
#include "entrez/Reachability.h"
#include "entrez/SearchResult.h"
#include "entrez/UpdateCheck.h"
#include "export/ExportFile.h"
#include "export/RisWriter.h"
#include "preferences/PreferenceController.h"
#include "preferences/WindowLayout.h"
#include "search/SearchMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStringListModel>

#include <algorithm>
#include <numeric>

namespace {
// The MIME type reference managers take RIS under on paste and drop.
const QString kRisMimeType = QStringLiteral("application/x-research-info-systems");

// The columns of the result table: identifiers are record keys.
QList<ArticleTableModel::Column> tableColumns()
{
    return {
        {QStringLiteral("authorsString"), QStringLiteral("Authors")},
        {QStringLiteral("title"), QStringLiteral("Title")},
        {QStringLiteral("journal"), QStringLiteral("Journal")},
        {QStringLiteral("year"), QStringLiteral("Year")},
        {QStringLiteral("PMID"), QStringLiteral("PMID")},
        {QStringLiteral("doi"), QStringLiteral("DOI")},
    };
}
constexpr double kTextInset = 20.0;
} // namespace

AppController::AppController(const AppServices &services, QObject *parent)
    : QObject(parent),
      m_services(services),
      m_preferences(*services.preferences),
      m_ui(std::make_unique<Ui::MainWindow>()),
      m_fetcher(std::make_unique<BlockingFetcher>()),
      m_esearch(std::make_unique<PacedFetcher>()),
      m_model(&articleList, tableColumns())
{
    mainWindow = new QMainWindow;
    m_ui->setupUi(mainWindow);
    abstractNSTextView = m_ui->abstractNSTextView;
    // A Qt text view is its own scroll area.
    abstractNSScrollView = m_ui->abstractNSTextView;
    citationNSTextView = m_ui->citationNSTextView;
    articleLinksLabel = m_ui->articleLinksLabel;
    searchNSTextField = m_ui->searchNSTextField;
    messageNSTextField = m_ui->messageNSTextField;
    searchNSProgressIndicator = m_ui->searchNSProgressIndicator;
    articleNSTableView = m_ui->articleNSTableView;
    searchPubmedNSButton = m_ui->searchPubmedNSButton;
    cancelNSButton = m_ui->cancelNSButton;
    getAllNSButton = m_ui->getAllNSButton;
    searchTagsPanel = m_ui->searchTagsPanel;
    myNSProgressIndicator = m_ui->myNSProgressIndicator;

    TransferLimits limits;
    limits.timeoutMs = services.networkTimeoutMs;
    m_fetcher->setLimits(limits);
    RetryPolicy retries;
    retries.msPerSecond = services.retryMsPerSecond;
    m_esearch->setLimits(limits);
    m_esearch->setRetryPolicy(retries);
    m_esearch->onRetryScheduled([this](int seconds) { showRetryWait(seconds); });
    m_esearch->onRetrying([this] { endRetryWait(); });
    m_download = std::make_unique<ArticleDownload>(services.endpoints);
    m_download->setLimits(limits);
    m_download->readArticlesWhileReceiving(elinkBaseUrl(services.endpoints));
    m_download->setRetryPolicy(retries);

    articleNSTableView->setModel(&m_model);
    articleNSTableView->myController = this;
    m_model.setMimeDataMaker([this](const QList<int> &rows) { return mimeDataForRows(rows); });
    QHeaderView *header = articleNSTableView->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->resizeSection(m_model.columnNamed(QStringLiteral("authorsString")), 220);
    header->resizeSection(m_model.columnNamed(QStringLiteral("title")), 460);
    header->resizeSection(m_model.columnNamed(QStringLiteral("journal")), 160);
    header->resizeSection(m_model.columnNamed(QStringLiteral("year")), 60);
    header->resizeSection(m_model.columnNamed(QStringLiteral("PMID")), 90);
    articleNSTableView->verticalHeader()->setDefaultSectionSize(articleNSTableView->fontMetrics().height() + 6);
    m_ui->verticalSplitter->setSizes({460, 220});
    restoreWindowLayout();

    m_recentSearches = RecentSearches::load(*m_services.preferences->settings());
    m_recentSearchesModel = new QStringListModel(mainWindow);
    m_searchCompleter = new QCompleter(m_recentSearchesModel, mainWindow);
    m_searchCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    m_searchCompleter->setFilterMode(Qt::MatchContains);
    searchNSTextField->setCompleter(m_searchCompleter);
    showRecentSearches();
    mainWindow->installEventFilter(this);
    mainWindow->tabifiedDockWidgets(searchTagsPanel);
    searchTagsPanel->hide();

    connectActions();
}

AppController::~AppController()
{
    m_esearch->cancel();
    m_download->cancel();
    delete mainWindow;
}

void AppController::connectActions()
{
    connect(searchPubmedNSButton, &QPushButton::clicked, this, &AppController::searchPubmed);
    connect(searchNSTextField, &QLineEdit::returnPressed, this, &AppController::searchPubmed);
    connect(cancelNSButton, &QPushButton::clicked, this, &AppController::cancelSearch);
    connect(getAllNSButton, &QPushButton::clicked, this, &AppController::getMoreArticles);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), mainWindow);
    connect(escape, &QShortcut::activated, this, [this] {
        if (cancelNSButton->isEnabled())
            cancelSearch();
    });

    connect(articleNSTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AppController::tableViewSelectionDidChange);
    // A reset clears the selection without a word; the views must still follow it.
    connect(&m_model, &QAbstractItemModel::modelReset, this, &AppController::tableViewSelectionDidChange);
    connect(articleNSTableView, &KebNSTableView::doubleAction, this, &AppController::openItem);

    connect(m_ui->clearRecentSearchesAction, &QAction::triggered, this, &AppController::clearRecentSearches);
    // Quitting from the menu ends the application without closing the window.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppController::saveWindowLayout);
    connect(m_ui->checkForUpdatesAction, &QAction::triggered, this, &AppController::checkForUpdates);
    // Not every platform has a Preferences shortcut; Ctrl+, is the common one.
    QList<QKeySequence> preferenceKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (preferenceKeys.isEmpty())
        preferenceKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_ui->preferencesAction->setShortcuts(preferenceKeys);
    connect(m_ui->preferencesAction, &QAction::triggered, this, &AppController::showPreferencePanel);
    connect(m_ui->quitAction, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(m_ui->copyAction, &QAction::triggered, this, &AppController::copyFromFocus);
    connect(m_ui->exportSelectedAction, &QAction::triggered, this, &AppController::exportSelected);
    articleNSTableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(articleNSTableView, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        std::unique_ptr<QMenu> menu(tableContextMenu());
        menu->exec(articleNSTableView->viewport()->mapToGlobal(position));
    });
    connect(m_ui->exportAllAction, &QAction::triggered, this, &AppController::exportAll);
    connect(m_ui->openDoiAction, &QAction::triggered, this, &AppController::openSelectedDois);
    connect(m_ui->openInPubMedAction, &QAction::triggered, this, &AppController::openSelectedInPubMed);
    connect(m_ui->openFreeFullTextAction, &QAction::triggered, this, &AppController::openSelectedFreeFullText);
    connect(m_ui->copyCitationAction, &QAction::triggered, this, &AppController::copySelectedCitations);
    connect(m_ui->copyPmidAction, &QAction::triggered, this, &AppController::copySelectedPmids);
    connect(m_ui->copyDoiAction, &QAction::triggered, this, &AppController::copySelectedDois);
    connect(articleLinksLabel, &ArticleLinksLabel::linkChosen, this, &AppController::openArticleLink);
    const std::pair<QAction *, ExportFormat> copyAs[] = {{m_ui->copyAsRisAction, ExportFormat::Ris},
                                                         {m_ui->copyAsBibtexAction, ExportFormat::Bibtex},
                                                         {m_ui->copyAsMedlineAction, ExportFormat::Medline}};
    for (const auto &[action, format] : copyAs)
        connect(action, &QAction::triggered, this, [this, format = format] { copySelectedAs(format); });
    connect(m_ui->searchTagsAction, &QAction::triggered, this, &AppController::showSearchTagsPanel);
    connect(m_ui->pubMedHelpAction, &QAction::triggered, this, &AppController::openMoreHelp);

    connect(m_download.get(), &ArticleDownload::responseStarted, this, &AppController::connectionDidReceiveResponse);
    connect(m_download.get(), &ArticleDownload::progress, this, &AppController::connectionDidReceiveData);
    connect(m_download.get(), &ArticleDownload::finished, this,
            &AppController::connectionDidFinishLoading);
    connect(m_download.get(), &ArticleDownload::failed, this, &AppController::connectionDidFailWithError);
    connect(m_download.get(), &ArticleDownload::retryScheduled, this, &AppController::showRetryWait);
    connect(m_download.get(), &ArticleDownload::retrying, this, &AppController::endRetryWait);
}

void AppController::awakeFromNib()
{
    // Double-clicks already reach openItem() through the table's doubleAction.
    cancelNSButton->setEnabled(false);
    getAllNSButton->setHidden(true);
    myNSProgressIndicator->setHidden(true);
    m_totalCount = 0;
    m_searchString.clear();
    abstractNSTextView->setPlainText(QStringLiteral(" "));
    citationNSTextView->setPlainText(QStringLiteral(" "));
    abstractNSTextView->document()->setDocumentMargin(kTextInset);
    citationNSTextView->document()->setDocumentMargin(kTextInset);
    searchNSProgressIndicator->setHidden(true);
    updateSelectionActions();
    m_startupUpdateCheck = true;
    // The window comes first; the launch check never holds it up.
    mainWindow->show();
    mainWindow->raise();
    mainWindow->activateWindow();
    searchNSTextField->setFocus();
    if (updateCheckOnStart())
        startLaunchUpdateCheck();
}

bool AppController::useProxy() const
{
    return m_preferences.useProxy();
}

int AppController::thisMany() const
{
    return m_preferences.thisMany();
}

bool AppController::updateCheckOnStart() const
{
    return m_preferences.updateCheckOnStart();
}

int AppController::urlWarningNumber() const
{
    return m_preferences.urlWarningNumber();
}

QString AppController::proxyURL() const
{
    return m_preferences.proxyURL();
}

CitationStyle AppController::citationStyle() const
{
    return m_preferences.citationStyle();
}

EutilsIdentity AppController::eutilsIdentity() const
{
    return {m_preferences.apiKey(), m_preferences.contactEmail()};
}

bool AppController::internetOnline() const
{
    return ::internetOnline(*m_services.reachability);
}

bool AppController::transferRunning() const
{
    return m_download->isRunning() || m_esearch->isRunning();
}

// --- Search -----------------------------------------------------------------

void AppController::searchPubmed()
{
    // Return in the search field arrives here even while the Search button is
    // disabled, and while a search waits for its turn the window takes input:
    // a search never starts over a running one.
    if (transferRunning())
        return;
    if (searchNSTextField->text().isEmpty())
        return;
    if (!internetOnline()) {
        showNetworkErrorAlert();
        return;
    }
    m_searchString = searchNSTextField->text();
    rememberQuery(m_searchString);
    m_paging.reset(thisMany());
    replaceArticleList();
    getAllNSButton->setHidden(true);
    executeSearch();
}

void AppController::executeSearch()
{
    // Two transfers never overlap: a batch waits until the last one ended.
    if (transferRunning())
        return;
    const QString term = prepareQueryTerm(searchNSTextField->text());
    if (term.isEmpty()) {
        searchNSTextField->setText(QString());
        return;
    }
    searchPubmedNSButton->setEnabled(false);
    cancelNSButton->setEnabled(true);
    getAllNSButton->setEnabled(false);

    const PmidSearchOutcome outcome = PMIDsForSearchString(*m_esearch, m_services.endpoints, term, m_paging.retStart(),
                                                           m_paging.retMax(), eutilsIdentity());
    // Cancel has already put the window back to idle.
    if (outcome.canceled)
        return;
    if (!outcome.result) {
        endBusyState(SearchMessages::searchFailed(outcome.error));
        return;
    }
    const SearchResult *result = &*outcome.result;
    m_PMIDsCount = int32_t(result->PMIDs.size());
    m_totalCount = intValue(result->totalCount);
    messageNSTextField->setText(SearchMessages::found(m_totalCount));

    if (result->PMIDs.isEmpty()) {
        searchPubmedNSButton->setEnabled(true);
        cancelNSButton->setEnabled(false);
        getAllNSButton->setEnabled(true);
        replaceArticleList();
        return;
    }

    const int32_t listCount = int32_t(articleList.size());
    const int32_t downloaded = listCount + m_PMIDsCount;
    messageNSTextField->setText(SearchPaging::stoppedAtLimit(m_totalCount, downloaded)
                                    ? SearchMessages::foundDownloadedAtLimit(m_totalCount, downloaded)
                                    : SearchMessages::foundDownloaded(m_totalCount, downloaded));
    m_batchPaging = m_paging;
    initiateArticleDownload(result->PMIDs);
    if (m_paging.advance(m_totalCount, int32_t(articleList.size()), m_PMIDsCount, thisMany())) {
        getAllNSButton->setText(SearchMessages::moreArticles(m_paging.retMax()));
        getAllNSButton->setHidden(false);
    } else {
        getAllNSButton->setHidden(true);
    }
}

void AppController::getMoreArticles()
{
    executeSearch();
}

void AppController::cancelSearch()
{
    m_esearch->cancel();
    m_download->cancel();
    searchNSProgressIndicator->setHidden(true);
    myNSProgressIndicator->setHidden(true);
    searchPubmedNSButton->setEnabled(true);
    cancelNSButton->setEnabled(false);
    getAllNSButton->setEnabled(true);
    messageNSTextField->setText(SearchMessages::canceled());
    m_searchString = searchNSTextField->text();
    m_paging.reset(thisMany());
    replaceArticleList();
}

void AppController::replaceArticleList()
{
    articleList.clear();
    m_model.reload();
    updateSelectionActions();
}

void AppController::endBusyState(const QString &message)
{
    searchNSProgressIndicator->setHidden(true);
    myNSProgressIndicator->setHidden(true);
    searchPubmedNSButton->setEnabled(true);
    cancelNSButton->setEnabled(false);
    getAllNSButton->setEnabled(true);
    messageNSTextField->setText(message);
}

void AppController::showNetworkErrorAlert()
{
    m_services.alerts->run({Alert::Style::Warning, SearchMessages::NetworkErrorTitle, SearchMessages::NetworkErrorTitle,
                            SearchMessages::NetworkErrorMessage, {SearchMessages::OK}},
                           mainWindow);
}

// --- Article download --------------------------------------------------------

void AppController::initiateArticleDownload(const QStringList &PMIDs)
{
    m_download->setIdentity(eutilsIdentity());
    if (!m_download->start(PMIDs)) {
        endBusyState(SearchMessages::downloadFailed(QStringLiteral("the transfer could not be started")));
        return;
    }
    getAllNSButton->setEnabled(false);
    searchNSProgressIndicator->setHidden(false);
}

void AppController::connectionDidReceiveResponse()
{
    myNSProgressIndicator->setHidden(false);
}

void AppController::connectionDidReceiveData(double progress)
{
    m_progressValue = progress;
    myNSProgressIndicator->setValue(int(std::min(progress, 100.0)));
}

void AppController::connectionDidFinishLoading()
{
    ArticleList batch;
    const qsizetype appended = m_download->takeArticles(batch);
    showDownloadedBatch(std::move(batch), appended);
}

void AppController::showDownloadedBatch(ArticleList batch, qsizetype appended)
{
    myNSProgressIndicator->setHidden(true);
    searchNSProgressIndicator->setHidden(true);
    searchPubmedNSButton->setEnabled(true);
    cancelNSButton->setEnabled(false);
    getAllNSButton->setEnabled(true);
    const bool firstBatch = articleList.isEmpty();
    m_model.append(std::move(batch));
    // The first batch of a search comes in the order the header shows (a
    // sort kept from the last run, say); later batches join at the end.
    const QHeaderView *header = articleNSTableView->horizontalHeader();
    if (firstBatch && header->sortIndicatorSection() >= 0)
        m_model.sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    if (appended < 0) {
        offerFailedBatchAgain();
        messageNSTextField->setText(SearchMessages::downloadFailed(QStringLiteral("the answer is not valid UTF-8")));
    }
    if (!articleList.isEmpty())
        articleNSTableView->selectRow(0);
    else
        articleNSTableView->clearSelection();
    tableViewSelectionDidChange();
}

void AppController::connectionDidFailWithError(const QString &description, const QString &failingUrl)
{
    systemLog(QStringLiteral("Connection failed! Error - %1 %2"), description, failingUrl);
    offerFailedBatchAgain();
    endBusyState(SearchMessages::downloadFailed(description));
}

void AppController::offerFailedBatchAgain()
{
    // The batch that failed is offered again instead of being skipped, with
    // the number of articles it can still bring.
    m_paging = m_batchPaging;
    m_paging.limitTo(m_totalCount);
    getAllNSButton->setText(SearchMessages::moreArticles(m_paging.retMax()));
    getAllNSButton->setHidden(false);
}

void AppController::showRetryWait(int seconds)
{
    m_messageBeforeRetry = messageNSTextField->text();
    messageNSTextField->setText(SearchMessages::busyRetrying(seconds));
}

void AppController::endRetryWait()
{
    messageNSTextField->setText(m_messageBeforeRetry);
}

// --- What the window remembers -------------------------------------------------

void AppController::restoreWindowLayout()
{
    QSplitter *splitter = m_ui->verticalSplitter;
    QHeaderView *header = articleNSTableView->horizontalHeader();
    const WindowLayout layout =
        WindowLayout::load(*m_services.preferences->settings(), splitter->count(), m_model.columnCount());
    if (!layout.geometry.isEmpty())
        mainWindow->restoreGeometry(layout.geometry);
    if (!layout.splitterSizes.isEmpty())
        splitter->setSizes(layout.splitterSizes);
    for (int column = 0; column < layout.columnWidths.size(); ++column)
        header->resizeSection(column, layout.columnWidths[column]);
    header->setSortIndicator(layout.sortColumn, layout.sortOrder);
}

void AppController::saveWindowLayout() const
{
    const QHeaderView *header = articleNSTableView->horizontalHeader();
    WindowLayout layout;
    layout.geometry = mainWindow->saveGeometry();
    layout.splitterSizes = m_ui->verticalSplitter->sizes();
    for (int column = 0; column < header->count(); ++column)
        layout.columnWidths.append(header->sectionSize(column));
    layout.sortColumn = header->sortIndicatorSection();
    layout.sortOrder = header->sortIndicatorOrder();
    layout.save(*m_services.preferences->settings());
}

bool AppController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mainWindow && event->type() == QEvent::Close)
        saveWindowLayout();
    return QObject::eventFilter(watched, event);
}

void AppController::rememberQuery(const QString &query)
{
    m_recentSearches.add(query);
    m_recentSearches.save(*m_services.preferences->settings());
    showRecentSearches();
}

void AppController::clearRecentSearches()
{
    m_recentSearches.clear();
    m_recentSearches.save(*m_services.preferences->settings());
    showRecentSearches();
}

void AppController::showRecentSearches()
{
    m_recentSearchesModel->setStringList(m_recentSearches.queries());
    m_ui->clearRecentSearchesAction->setEnabled(!m_recentSearches.queries().isEmpty());
}

// --- Selection display --------------------------------------------------------

void AppController::tableViewSelectionDidChange()
{
    updateSelectionActions();
    const QList<int> rows = articleNSTableView->selectedRowIndexes();
    if (const ArticleRecord *article = singleSelectedArticle()) {
        showRichText(abstractNSTextView, styledText(*article, ArticleRecord::Key::Abstract),
                     article->isRetracted() ? AppMessages::RetractedNotice : QString());
        showRichText(citationNSTextView, CitationStyles::citationForArticle(citationStyle(), *article));
        articleLinksLabel->showLinks(linksOf(*article));
        abstractNSScrollView->verticalScrollBar()->setValue(abstractNSScrollView->verticalScrollBar()->minimum());
        return;
    }
    articleLinksLabel->showLinks({});
    const QString text = rows.size() >= 2 ? AppMessages::articlesSelected(int(rows.size())) : QString();
    abstractNSTextView->setPlainText(text);
    citationNSTextView->setPlainText(text);
}

// --- Citations, links and export ---------------------------------------------

QString AppController::citationStringForArticle(const ArticleRecord &article) const
{
    return ::citationStringForArticle(article);
}

RichText AppController::citationAStringForArticle(const ArticleRecord &article) const
{
    return ::citationAStringForArticle(article, m_services.endpoints);
}

void AppController::openItem()
{
    if (articleNSTableView->clickedRow() == -1)
        return;
    const QList<int> rows = articleNSTableView->selectedRowIndexes();
    // Nothing selected: nothing to open, and nothing to warn about.
    if (rows.isEmpty())
        return;
    // Every selected article, one without a DOI too: that opens the resolver.
    openLinks(urlsAt(rows, [this](const ArticleRecord &article) { return doiUrlForArticle(article, m_services.endpoints); }),
              true);
}

void AppController::openLinks(const QStringList &urls, bool doiLinks)
{
    const int n = int(urls.size());
    if (n == 0)
        return;
    if (n > urlWarningNumber()) {
        const int choice = m_services.alerts->run({Alert::Style::Critical, AppMessages::MultipleLinksTitle,
                                                   AppMessages::MultipleLinksTitle, AppMessages::multipleLinks(n),
                                                   {SearchMessages::OK, AppMessages::Cancel}},
                                                  mainWindow);
        if (choice != 0)
            return;
    }
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            systemLog(QStringLiteral("%1\n"), urls[i]);
        if (doiLinks)
            openDoiLink(urls[i]);
        else
            openUrl(urls[i]);
    }
}

void AppController::openDoiLink(const QString &doiUrl)
{
    openUrl(useProxy() ? proxiedUrl(proxyURL(), doiUrl) : doiUrl);
}

void AppController::openUrl(const QString &target)
{
    // A DOI holding characters a URL may not carry is opened in its escaped form.
    const QUrl url(encodedLinkUrl(target), QUrl::StrictMode);
    if (!url.isValid()) {
        systemLog(QStringLiteral("cannot open %1: %2"), target, url.errorString());
        return;
    }
    m_services.urlOpener->open(url);
}

QStringList AppController::urlsAt(const QList<int> &rows,
                                  const std::function<QString(const ArticleRecord &)> &urlFor) const
{
    QStringList urls;
    for (const int row : rows) {
        if (row < 0 || row >= articleList.size())
            continue;
        const QString url = urlFor(articleList[row]);
        if (!url.isEmpty())
            urls.append(url);
    }
    return urls;
}

const ArticleRecord *AppController::singleSelectedArticle() const
{
    const QList<int> rows = articleNSTableView->selectedRowIndexes();
    if (rows.size() != 1 || rows.first() >= articleList.size())
        return nullptr;
    return &articleList[rows.first()];
}

QList<ArticleLinksLabel::Link> AppController::linksOf(const ArticleRecord &article) const
{
    QList<ArticleLinksLabel::Link> links;
    if (!article.utf8(ArticleRecord::Key::Doi).empty())
        links.append(ArticleLinksLabel::Link::Doi);
    if (!pubmedUrlForArticle(article, m_services.endpoints).isEmpty())
        links.append(ArticleLinksLabel::Link::PubMed);
    if (!pmcUrlForArticle(article, m_services.endpoints).isEmpty())
        links.append(ArticleLinksLabel::Link::FreeFullText);
    return links;
}

void AppController::openArticleLink(ArticleLinksLabel::Link link)
{
    const ArticleRecord *article = singleSelectedArticle();
    if (!article)
        return;
    switch (link) {
    case ArticleLinksLabel::Link::Doi:
        openDoiLink(doiUrlForArticle(*article, m_services.endpoints));
        break;
    case ArticleLinksLabel::Link::PubMed:
        openUrl(pubmedUrlForArticle(*article, m_services.endpoints));
        break;
    case ArticleLinksLabel::Link::FreeFullText:
        openUrl(pmcUrlForArticle(*article, m_services.endpoints));
        break;
    }
}

void AppController::openSelectedDois()
{
    openLinks(urlsAt(articleNSTableView->selectedRowIndexes(),
                     [this](const ArticleRecord &article) {
                         return article.utf8(ArticleRecord::Key::Doi).empty()
                             ? QString()
                             : doiUrlForArticle(article, m_services.endpoints);
                     }),
              true);
}

void AppController::openSelectedInPubMed()
{
    openLinks(urlsAt(articleNSTableView->selectedRowIndexes(),
                     [this](const ArticleRecord &article) { return pubmedUrlForArticle(article, m_services.endpoints); }),
              false);
}

void AppController::openSelectedFreeFullText()
{
    openLinks(urlsAt(articleNSTableView->selectedRowIndexes(),
                     [this](const ArticleRecord &article) { return pmcUrlForArticle(article, m_services.endpoints); }),
              false);
}

void AppController::copySelectedCitations() const
{
    copyRowsToClipboard(articleNSTableView->selectedRowIndexes());
}

void AppController::copySelectedPmids() const
{
    QGuiApplication::clipboard()->setText(pmidLines(articlesAt(articleNSTableView->selectedRowIndexes())));
}

void AppController::copySelectedDois() const
{
    QGuiApplication::clipboard()->setText(doiLines(articlesAt(articleNSTableView->selectedRowIndexes())));
}

ArticleList AppController::articlesAt(const QList<int> &rows) const
{
    QList<int> ascending = rows;
    std::sort(ascending.begin(), ascending.end());
    ascending.erase(std::unique(ascending.begin(), ascending.end()), ascending.end());
    ArticleList articles;
    for (const int row : std::as_const(ascending)) {
        if (row >= 0 && row < articleList.size())
            articles.append(articleList.at(row));
    }
    return articles;
}

QMimeData *AppController::mimeDataForRows(const QList<int> &rows) const
{
    const RichText text = CitationStyles::exportTextInStyle(
        citationStyle(), articleList, QList<qsizetype>(rows.begin(), rows.end()), m_services.endpoints);
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"), RtfWriter::write(text));
    data->setHtml(HtmlWriter::write(text));
    data->setText(PlainWriter::write(text));
    data->setData(kRisMimeType, ExportFormats::write(ExportFormat::Ris, articlesAt(rows)));
    return data;
}

void AppController::copySelectedAs(ExportFormat format) const
{
    const QByteArray bytes = ExportFormats::write(format, articlesAt(articleNSTableView->selectedRowIndexes()));
    auto *data = new QMimeData;
    data->setText(QString::fromUtf8(bytes));
    if (format == ExportFormat::Ris)
        data->setData(kRisMimeType, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

QMenu *AppController::tableContextMenu() const
{
    // The menu bar's own actions, so shortcuts and enabled states agree.
    auto *menu = new QMenu(articleNSTableView);
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
    menu->addAction(m_ui->exportSelectedAction);
    return menu;
}

void AppController::exportSelected()
{
    exportRows(articleNSTableView->selectedRowIndexes(), AppMessages::ExportSelectedTitle);
}

void AppController::exportAll()
{
    QList<int> rows(articleList.size());
    std::iota(rows.begin(), rows.end(), 0);
    exportRows(rows, AppMessages::ExportAllTitle);
}

void AppController::exportRows(const QList<int> &rows, const QString &title)
{
    if (rows.isEmpty())
        return;
    const QStringList filters = ExportFormats::fileDialogFilters();
    const QList<ExportFormat> formats = ExportFormats::all();
    QFileDialog dialog(mainWindow, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(ExportFormats::extension(formats.first()));
    dialog.selectFile(AppMessages::ExportFileName + QLatin1Char('.') + ExportFormats::extension(formats.first()));
    // A name typed without an extension gets the chosen filter's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        dialog.setDefaultSuffix(ExportFormats::extension(formats.value(filters.indexOf(filter), formats.first())));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().first();
    const ExportFormat chosen = formats.value(filters.indexOf(dialog.selectedNameFilter()), formats.first());
    // Not every dialog adds the default suffix itself.
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + ExportFormats::extension(chosen);
    const ExportFormat format = ExportFormats::forFileName(path).value_or(chosen);
    if (const std::optional<QString> reason = writeFileAtomically(path, ExportFormats::write(format, articlesAt(rows)))) {
        m_services.alerts->run({Alert::Style::Warning, AppMessages::ExportFailedTitle,
                                AppMessages::exportFailed(QFileInfo(path).fileName()), *reason, {SearchMessages::OK}},
                               mainWindow);
    }
}

void AppController::updateSelectionActions()
{
    m_ui->exportAllAction->setEnabled(!articleList.isEmpty());
    const QList<int> selected = articleNSTableView->selectedRowIndexes();
    const bool anySelected = !selected.isEmpty();
    m_ui->exportSelectedAction->setEnabled(anySelected);
    m_ui->copyAsMenu->setEnabled(anySelected);
    m_ui->copyCitationAction->setEnabled(anySelected);
    m_ui->openInPubMedAction->setEnabled(anySelected);
    m_ui->copyPmidAction->setEnabled(anySelected);
    const auto anyHas = [&](const std::function<bool(const ArticleRecord &)> &has) {
        return std::any_of(selected.begin(), selected.end(),
                           [&](int row) { return row < articleList.size() && has(articleList[row]); });
    };
    const bool anyDoi = anyHas([](const ArticleRecord &article) { return !article.utf8(ArticleRecord::Key::Doi).empty(); });
    m_ui->openDoiAction->setEnabled(anyDoi);
    m_ui->copyDoiAction->setEnabled(anyDoi);
    m_ui->openFreeFullTextAction->setEnabled(
        anyHas([this](const ArticleRecord &article) { return !pmcUrlForArticle(article, m_services.endpoints).isEmpty(); }));
}

void AppController::copyRowsToClipboard(const QList<int> &rows) const
{
    QGuiApplication::clipboard()->setMimeData(mimeDataForRows(rows));
}

void AppController::copyFromFocus()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == articleNSTableView) {
        articleNSTableView->copy();
        return;
    }
    // Text fields and views copy their own selection.
    if (focus)
        QMetaObject::invokeMethod(focus, "copy");
}

// --- Small actions ----------------------------------------------------------------

void AppController::showSearchTagsPanel()
{
    searchTagsPanel->setFloating(true);
    searchTagsPanel->show();
    searchTagsPanel->raise();
    searchTagsPanel->activateWindow();
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
    }
    preferenceController->showWindow();
}

// --- Update check -------------------------------------------------------------------

void AppController::startLaunchUpdateCheck()
{
    // This is the launch check; a check the user starts meanwhile is not.
    m_startupUpdateCheck = false;
    // A packaged copy leaves updates to the package manager and never asks.
    if (m_services.updateSource == UpdateSource::PackageManager)
        return;
    TransferLimits limits;
    limits.timeoutMs = m_services.networkTimeoutMs;
    m_launchUpdateCheck = std::make_unique<LaunchUpdateCheck>(m_services.endpoints, limits);
    connect(m_launchUpdateCheck.get(), &LaunchUpdateCheck::finished, this, [this](UpdateCheckOutcome outcome) {
        // At launch only a newer version is worth a word.
        if (outcome == UpdateCheckOutcome::NewVersion)
            offerNewVersion();
    });
    m_launchUpdateCheck->start();
}

bool AppController::launchUpdateCheckRunning() const
{
    return m_launchUpdateCheck && m_launchUpdateCheck->isRunning();
}

int AppController::versionAlert(const QString &text, const QStringList &buttons)
{
    return m_services.alerts->run(
        {Alert::Style::Warning, AppMessages::VersionCheckTitle, AppMessages::VersionCheckTitle, text, buttons}, mainWindow);
}

void AppController::offerNewVersion()
{
    if (versionAlert(AppMessages::NewVersion, {SearchMessages::OK, AppMessages::Cancel}) == 0)
        m_services.urlOpener->open(downloadUrl(m_services.endpoints));
}

void AppController::checkForUpdates()
{
    if (m_services.updateSource == UpdateSource::PackageManager) {
        if (!m_startupUpdateCheck)
            m_services.alerts->run({Alert::Style::Informational, AppMessages::VersionCheckTitle,
                                    AppMessages::VersionCheckTitle, AppMessages::UpdatesByPackageManager,
                                    {SearchMessages::OK}},
                                   mainWindow);
        m_startupUpdateCheck = false;
        return;
    }
    QString reason;
    const UpdateCheckOutcome outcome =
        checkPublishedVersion(*m_services.reachability, *m_fetcher, m_services.endpoints, &reason);
    switch (outcome) {
    case UpdateCheckOutcome::Offline:
        if (!updateCheckOnStart())
            showNetworkErrorAlert();
        break;
    case UpdateCheckOutcome::FetchFailed:
        if (!m_startupUpdateCheck)
            versionAlert(AppMessages::versionNotChecked(reason), {SearchMessages::OK});
        break;
    case UpdateCheckOutcome::Current:
        if (!m_startupUpdateCheck)
            versionAlert(AppMessages::CurrentVersion, {SearchMessages::OK});
        break;
    case UpdateCheckOutcome::NewVersion:
        offerNewVersion();
        break;
    }
    m_startupUpdateCheck = false;
}
