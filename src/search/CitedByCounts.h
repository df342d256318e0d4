#pragma once

#include "common/CitationMetrics.h"
#include "entrez/ElinkAnswer.h"
#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"
#include "entrez/RequestSequence.h"
#include "search/SearchSession.h"
#include "services/CitationSource.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>
#include <QStringList>

#include <optional>

// ELink for the citing articles of `pmids`, a POST with one id= per PMID so
// that the answer holds one LinkSet per PMID, each counted on its own.
EutilsRequest citedByCountsRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity);
// The counts a per-PMID answer gives: every LinkSet asked about one PMID
// counts its citing links, 0 when it has none. A PMID the answer leaves out
// has no count.
CitationMetricsMap citedByCountsOf(const ElinkAnswer &answer);
// A fetched answer read into counts, or the reason there are none: the
// service's <ERROR> or an unreadable answer.
struct CitedByCountsOutcome
{
    CitationMetricsMap counts;
    QString error;
};
CitedByCountsOutcome citedByCountsOutcome(const QByteArray &body);
// iCite's answer read into its figures, or the reason there are none.
CitedByCountsOutcome iciteMetricsOutcome(const QByteArray &body);

// The cited-by counts of a session's articles, from the session's citation
// source: for each batch the session appends, one ELink request, or iCite
// requests of kIciteMaxPmids PMIDs each (iCite adds the RCR and its
// percentile), while the session's settings ask for counts. Requests go one
// after another, each paced with the others of its host; a batch that arrives
// while one runs waits its turn, so no batch of the search ever waits for a
// count. A failed request leaves its batch without counts and one log line:
// counts are an extra, never an error the user has to dismiss. A new search
// or a cancel drops what was known and every request under way, so no count
// of the last search lands on the new one; so does a change of the source,
// after which every article is asked for again.
class CitedByCounts : public QObject
{
    Q_OBJECT

public:
    explicit CitedByCounts(SearchSession &session);

    std::optional<qsizetype> countOf(const QString &pmid) const;
    std::optional<CitationMetrics> metricsOf(const QString &pmid) const;
    const CitationMetricsMap &metrics() const { return m_counts; }
    // Where the counts held came from.
    CitationSource source() const { return m_source; }
    // A request is under way or waiting.
    bool isBusy() const { return m_transfer.isRunning() || m_icite.isRunning() || !m_waiting.isEmpty(); }
    // Asks every article again when the settings name another source than
    // that of the counts held.
    void followSource();

signals:
    // Counts arrived for some of the articles.
    void countsArrived();

private:
    void askFor(const QStringList &pmids);
    void askNext();
    // Keeps the counts of an answer and tells of them; the answer's error, if any.
    QString store(const CitedByCountsOutcome &outcome);
    void logFailure(const QString &reason) const;
    void clear();

    SearchSession &m_session;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    RequestSequence m_icite;
    QQueue<QStringList> m_waiting;
    QStringList m_asked;
    // Where the batch being appended begins.
    int m_appendedFrom = 0;
    CitationMetricsMap m_counts;
    CitationSource m_source;
};
