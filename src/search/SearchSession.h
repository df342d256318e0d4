#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleRecord.h"
#include "entrez/EutilsRequest.h"
#include "entrez/HttpTransfer.h"
#include "entrez/RetryPolicy.h"
#include "entrez/SearchResult.h"
#include "search/SearchPaging.h"
#include "search/SearchSource.h"
#include "services/CitationSource.h"

#include <QNetworkAccessManager>
#include <QObject>

#include <functional>
#include <optional>
#include <memory>

class ArticleDownload;
class CitedByCounts;
class EutilsTransfer;
class RequestSequence;

// What a session needs from outside. The batch size and the identity are
// asked for at every request, so a preference changed between two batches
// counts from the next one.
struct SessionSettings
{
    Endpoints endpoints;
    TransferLimits limits;
    RetryPolicy retries;
    std::function<int()> batchSize = [] { return 20; };
    std::function<EutilsIdentity()> identity = [] { return EutilsIdentity(); };
    // Whether each batch's cited-by counts are asked for, as it arrives.
    std::function<bool()> citedByCounts = [] { return false; };
    // Where the counts, the citing articles and the reference lists come from.
    std::function<CitationSource()> citationSource = [] { return CitationSource::Icite; };
};

// One result set and everything that happens to it: its source, its paging
// window, its articles, its one transfer at a time (ESearch for a window of
// PMIDs, then EFetch of their records; for a link set, one ELink request for
// all the linked PMIDs, or iCite's records of the PMIDs for citing articles
// and references from iCite, then EFetch of them window by window; for a
// list, EFetch of its PMIDs window by window), the waits of a busy service,
// and its cancel. All requests go through the process's one request limiter, so any
// number of sessions together keep the service's pace.
//
// The articles change only between articlesAboutToReset()/articlesReset()
// and articlesAboutToAppend()/articlesAppended(); every other change of what
// a window shows (busy, message, progress, more to fetch) emits changed().
class SearchSession : public QObject
{
    Q_OBJECT

public:
    enum class Activity { Idle, Searching, Downloading };

    explicit SearchSession(SessionSettings settings, QObject *parent = nullptr);
    ~SearchSession() override;

    const SearchSource &source() const { return m_source; }
    const SessionSettings &settings() const { return m_settings; }
    // How each of `articles` was found (SearchSource::foundAs), "" for each of a search's.
    QStringList foundAs(const ArticleList &articles) const;
    // Starts a new search of `source`, ending a running one first; the
    // articles are emptied. False (nothing changes) when the source holds
    // nothing to search for.
    bool start(const SearchSource &source);
    // Shows articles that need no download (those the library keeps) as the
    // result of `source`, ending a running transfer first; `total` of them
    // when the rest are to follow through appendStored().
    void showStored(const SearchSource &source, ArticleList articles, qsizetype total = -1);
    // More of the stored articles of `source`; dropped once the session
    // shows something else.
    void appendStored(const SearchSource &source, ArticleList articles);
    // The next batch of this session's own search. False while a transfer
    // runs or when nothing more is to be had.
    bool fetchMore();
    // Ends the transfer and the search: the articles are emptied and nothing
    // more is offered.
    void cancel();
    // The end of a download: appends the batch its answer gave, with what
    // reading the answer returned (the count, 0, or -1 for invalid UTF-8).
    // Benches hand over a batch they read themselves.
    void receiveBatch(ArticleList batch, qsizetype readResult);

    // The articles in the order the table shows them; the table sorts them in place.
    ArticleList &articles() { return m_articles; }
    const ArticleList &articles() const { return m_articles; }

    Activity activity() const { return m_activity; }
    bool isBusy() const { return m_activity != Activity::Idle; }
    // Bytes of the answer are arriving: the progress bar has something to show.
    bool isReceiving() const { return m_receiving; }
    // The last progress estimate, unclamped (the bar shows at most 100).
    double progress() const { return m_progress; }
    QString message() const { return m_message; }
    // A next (or failed) batch can be fetched, of moreCount() articles.
    bool hasMore() const { return m_hasMore; }
    int moreCount() const { return m_paging.retMax(); }

    // What PubMed did with the query, from the first answer of this search
    // (no PMIDs); empty before it arrives.
    // How many articles cite each of the articles, as far as known.
    const CitedByCounts &citedBy() const { return *m_citedBy; }
    CitedByCounts &citedBy() { return *m_citedBy; }

    const SearchResult &queryAnswer() const { return m_queryAnswer; }
    // ESpell's correction of a query that found almost nothing, or part of
    // which PubMed did not find; empty when there is none or it is the query.
    QString suggestion() const { return m_suggestion; }

    int32_t totalCount() const { return m_totalCount; }
    int32_t PMIDsCount() const { return m_PMIDsCount; }
    int32_t retStart() const { return m_paging.retStart(); }
    int32_t retMax() const { return m_paging.retMax(); }

signals:
    void changed();
    // A new search of source() went out.
    void started();
    // The first answer of a search came: totalCount() and queryAnswer() hold it.
    void answered();
    void articlesAboutToReset();
    void articlesReset();
    void articlesAboutToAppend(int first, int last);
    // `firstBatch`: the articles were empty before.
    void articlesAppended(bool firstBatch);

private:
    void runBatch();
    void onLinkAnswer(const struct LinkedPmidsOutcome &outcome);
    // Citing articles or references from iCite: its records of the PMIDs asked about.
    void askIcite();
    // The next window of the linked PMIDs, as if ESearch had answered it.
    void takeLinkedWindow();
    // A search whose pinned PMIDs come first asks for all its PMIDs at once,
    // since only the whole answer says where the rest go.
    bool asksForWholeList() const;
    void listPinnedFirst(const SearchResult &answer);
    void onSearchAnswer(const struct PmidSearchOutcome &outcome);
    void onDownloadFinished();
    void onDownloadFailed(const QString &description, const QString &failingUrl);
    void offerFailedBatchAgain();
    void clearArticles();
    void appendArticles(ArticleList batch);
    void stopTransfers();
    void setIdle(const QString &message);
    void setMessage(const QString &message);
    void showRetryWait(int seconds);
    QString withQueryNote(const QString &message) const;
    // "found N articles, downloaded M titles": M the records that arrived.
    QString downloadedMessage() const;
    void askForSpelling(const SearchResult &answer);
    void endRetryWait();

    SessionSettings m_settings;
    SearchSource m_source;
    QString m_preparedTerm;
    // Of a link set once ELink answered, or of a search with pinned PMIDs once
    // ESearch answered: all its PMIDs in the order shown, paged through here.
    std::optional<QStringList> m_linkedPmids;
    // Of a link set: which PMIDs asked about each linked PMID came from.
    QHash<QString, QStringList> m_linkedFrom;
    // What the answer that gave m_linkedPmids said of the whole set.
    SearchResult m_listAnswer;
    QNetworkAccessManager m_manager;
    std::unique_ptr<EutilsTransfer> m_esearch;
    std::unique_ptr<EutilsTransfer> m_espell;
    std::unique_ptr<RequestSequence> m_icite;
    std::unique_ptr<ArticleDownload> m_download;
    CitedByCounts *m_citedBy; // a child

    ArticleList m_articles;
    SearchPaging m_paging;
    // The window of the batch being downloaded, offered again if its transfer fails.
    SearchPaging m_batchPaging;
    int32_t m_totalCount = 0;
    SearchResult m_queryAnswer;
    QString m_suggestion;
    int32_t m_PMIDsCount = 0;
    Activity m_activity = Activity::Idle;
    bool m_receiving = false;
    bool m_hasMore = false;
    // The batch on its way is the last ESearch serves of more matches.
    bool m_batchAtLimit = false;
    double m_progress = 0;
    QString m_message;
    // The message under a "PubMed is busy" notice, shown again when the retry goes out.
    QString m_messageBeforeRetry;
};
