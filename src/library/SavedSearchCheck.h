#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/HttpTransfer.h"
#include "entrez/RetryPolicy.h"
#include "entrez/SearchResult.h"
#include "library/SavedSearch.h"
#include "search/PmidRanges.h"

#include <QDateTime>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class EutilsTransfer;
class LibraryStore;

// What a check needs from outside: where the service is, who asks, and the
// guards of every request.
struct CheckSettings
{
    Endpoints endpoints;
    EutilsIdentity identity;
    TransferLimits limits;
    RetryPolicy retries;
};

// Checks saved searches one after another, in the background, for what
// PubMed added since each was checked last: one ESearch each, paced with
// every other request of the process and retried when the service is busy,
// for the PMIDs with an Entrez date from the day before the last check on.
// More than ESearch serves at once (9,999) are read range of PMIDs by range,
// up to kMaxNewPerCheck. Each result goes into the store, which tells the
// PMIDs not seen before; a first check only learns what the search finds. A
// check that fails, or finds more than that, leaves its saved search as it
// was, for the next check to find the same again.
class SavedSearchCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxNewPerCheck = 100000;

    SavedSearchCheck(LibraryStore &store, CheckSettings settings, QObject *parent = nullptr);
    ~SavedSearchCheck() override;

    // Starts checking `searches`, in order; false (nothing starts) while a
    // check runs or when there is none to check.
    bool start(const QList<SavedSearch> &searches);
    // Ends the check under way; nothing more is emitted, finished() neither.
    void cancel();
    bool isRunning() const { return m_next > 0 && m_next <= m_searches.size(); }

    // The request that checks `search`: the whole query the first time, what
    // was added since afterwards; within `range` when given.
    static EutilsRequest requestFor(const SavedSearch &search, const CheckSettings &settings,
                                    const std::optional<PmidRange> &range = std::nullopt);

signals:
    // `search` was checked: `added` holds the PMIDs new since its last check.
    void checked(const SavedSearch &search, const QStringList &added);
    void failed(const SavedSearch &search, const QString &message);
    // Every search was checked or failed.
    void finished();

private:
    void checkNext();
    void onAnswer(const struct FetchResult &fetched);
    // What the answer of the search being checked adds; false when it failed (and said so).
    bool take(const SavedSearch &search, const SearchResult &answer);
    void record(const SavedSearch &search, const QStringList &pmids);

    LibraryStore &m_store;
    CheckSettings m_settings;
    QNetworkAccessManager m_manager;
    std::unique_ptr<EutilsTransfer> m_transfer;
    QList<SavedSearch> m_searches;
    qsizetype m_next = 0;      // 1 + the index of the search being checked
    quint64 m_run = 0;         // counts starts and cancels, so a stale step does nothing
    QDateTime m_checkStarted;  // the check's time: what PubMed adds while it runs is caught next time
    std::optional<PmidRangeWalk> m_ranges; // past what one answer serves: the ranges still to read
    QStringList m_found;       // the PMIDs read so far for the search being checked
};
