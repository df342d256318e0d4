#pragma once

#include "entrez/ElinkAnswer.h"
#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"
#include "search/SearchSession.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>
#include <QStringList>

#include <optional>

// How many PubMed articles cite each article, by PMID.
using CitedByCountMap = QHash<QString, qsizetype>;

// ELink for the citing articles of `pmids`, a POST with one id= per PMID so
// that the answer holds one LinkSet per PMID, each counted on its own.
EutilsRequest citedByCountsRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity);
// The counts a per-PMID answer gives: every LinkSet asked about one PMID
// counts its citing links, 0 when it has none. A PMID the answer leaves out
// has no count.
CitedByCountMap citedByCountsOf(const ElinkAnswer &answer);
// A fetched answer read into counts, or the reason there are none: the
// service's <ERROR> or an unreadable answer.
struct CitedByCountsOutcome
{
    CitedByCountMap counts;
    QString error;
};
CitedByCountsOutcome citedByCountsOutcome(const QByteArray &body);

// The cited-by counts of a session's articles: one ELink request for each
// batch the session appends, while the session's settings ask for counts.
// Requests go one after another through the process's limiter; a batch that
// arrives while one runs waits its turn, so no batch of the search ever
// waits for a count. A failed request leaves its batch without counts and
// one log line: counts are an extra, never an error the user has to dismiss.
// A new search or a cancel drops what was known and every request under way,
// so no count of the last search lands on the new one.
class CitedByCounts : public QObject
{
    Q_OBJECT

public:
    explicit CitedByCounts(SearchSession &session);

    std::optional<qsizetype> countOf(const QString &pmid) const;
    // A request is under way or waiting.
    bool isBusy() const { return m_transfer.isRunning() || !m_waiting.isEmpty(); }

signals:
    // Counts arrived for some of the articles.
    void countsArrived();

private:
    void askFor(const QStringList &pmids);
    void askNext();
    void onAnswer();
    void logFailure(const QString &reason) const;
    void clear();

    SearchSession &m_session;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    QQueue<QStringList> m_waiting;
    QStringList m_asked;
    // Where the batch being appended begins.
    int m_appendedFrom = 0;
    CitedByCountMap m_counts;
};
