#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/RequestSequence.h"
#include "references/ReferenceMatch.h"
#include "references/ReferenceParser.h"
#include "services/IdConverter.h"

#include <QObject>
#include <QStringList>

// Matches references to PubMed articles in as few requests as possible, each
// step taking only what the steps before it left:
// 1. a PMID in the text is taken as it is; DOIs and PMCIDs go to PMC's ID
//    converter, up to kIdConverterMaxIds a request;
// 2. the references with a journal, a year and a volume or page go to
//    ECitMatch, up to kEcitmatchMaxCitations a request;
// 3. each one left is searched for with ESearch (searchTermOf()): one
//    article is a match, several are offered as candidates, none is not found.
// A step that fails is named in the outcome's errors, and what it left
// unmatched goes on to the next. Ends with finished(), always after start()
// returned; after cancel() nothing more is emitted.
class ReferenceMatcher : public QObject
{
    Q_OBJECT

public:
    // The most candidates an ambiguous reference offers.
    static constexpr int kMaxCandidates = 5;

    explicit ReferenceMatcher(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    void setIdentity(const EutilsIdentity &identity) { m_identity = identity; }
    void setLimits(const TransferLimits &limits);
    void setRetryPolicy(const RetryPolicy &policy);

    // False while one runs.
    bool start(const QStringList &references);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    // What is being done now, for a progress line.
    void stepStarted(const QString &what);
    void retryScheduled(int seconds);
    void finished(const ReferenceMatching &outcome);

private:
    void convertIdentifiers();
    void matchCitations();
    void search();
    // Sends a step's requests, each answer to `take`; then `next`, also
    // after a failure, which the outcome names through `failure`.
    void runStep(const QList<EutilsRequest> &requests, void (ReferenceMatcher::*next)(),
                 QString (*failure)(const QString &reason), RequestSequence::Take take);
    void finish();
    // The references still without a match, and not ruled out.
    QList<qsizetype> open() const;
    void setFound(qsizetype index, ReferenceMatch::How how, const QString &pmid);

    Endpoints m_endpoints;
    EutilsIdentity m_identity;
    IdConversion m_ids;
    RequestSequence m_requests;
    QList<ParsedReference> m_parsed;
    ReferenceMatching m_outcome;
    // The reference each request of the running step asks about, in order.
    QList<qsizetype> m_asked;
    qsizetype m_answered = 0;
    bool m_running = false;
};
