#pragma once

#include "common/Endpoints.h"
#include "entrez/SortOrder.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <utility>

// Who is asking: NCBI wants a tool name and a contact address on every
// request, and paces requests by API key when one is given.
struct EutilsIdentity
{
    QString apiKey;
    QString email;

    bool hasApiKey() const { return !apiKey.trimmed().isEmpty(); }
    // Requests per rolling second the service allows this identity.
    int requestsPerSecond() const { return hasApiKey() ? kEutilsRequestsPerSecondWithKey : kEutilsRequestsPerSecond; }
};

// One request to the E-utilities, ready to send: a GET when `postBody` is
// null, otherwise a form POST of `postBody` to `url`.
struct EutilsRequest
{
    QUrl url;
    QByteArray postBody;
    // Who asks: sets the pace, and names the key to keep out of messages.
    EutilsIdentity identity;
    // Requests per rolling second of a request to another service's host,
    // which keeps a pace of its own; 0 for the E-utilities' pace of `identity`.
    int servicePace = 0;
    // Redirects are followed to other hosts, but only over https: for a file
    // another service points at (never for a request carrying the API key).
    bool httpsRedirects = false;

    bool isPost() const { return !postBody.isNull(); }
    int requestsPerSecond() const { return servicePace > 0 ? servicePace : identity.requestsPerSecond(); }
};

// (name, value) pairs whose values are already percent-encoded.
using EncodedParameters = QList<std::pair<QString, QString>>;

enum class EutilsService { ESearch, EFetch, ESpell, ELink, ESummary, ECitMatch };
// The Entrez database a request asks: PubMed's articles, or the MeSH vocabulary.
enum class EutilsDatabase { PubMed, MeSH };

// An ESearch, ESpell or ECitMatch whose URL would be longer than this is sent as a POST.
inline constexpr int kMaxEsearchGetUrlLength = 2000;

// The one builder of every E-utilities request: the service's path, its
// fixed parameters (db=pubmed; EFetch adds rettype=xml&retmode=xml, ECitMatch
// retmode=xml, ELink starts with dbfrom=pubmed), the given ones, then
// tool=vexmoor and email= and api_key= when set. ESearch, ESpell and ECitMatch
// are GETs unless the URL would pass
// kMaxEsearchGetUrlLength; EFetch is always a POST, so a batch of any size fits
// (long GET URLs are refused by the service), and the identity never lands in
// a URL that a failure message might show. ELink is a GET up to
// kElinkMaxGetIds PMIDs over all its id= values, a POST above, and so is
// ESummary. `database` names the db= (and ELink's dbfrom=).
EutilsRequest eutilsRequest(const Endpoints &endpoints, EutilsService service, const EncodedParameters &parameters,
                            const EutilsIdentity &identity, EutilsDatabase database = EutilsDatabase::PubMed);

// ESearch for one window of a prepared (already percent-encoded) term, in
// the given order (sort= follows the term; none for the service's own).
// With `addedSince`, only what PubMed added (its Entrez date) on that day or
// later: datetype=edat&mindate=YYYY/MM/DD&maxdate=3000, as the service takes
// a mindate only together with a maxdate.
EutilsRequest esearchRequest(const Endpoints &endpoints, const QString &preparedTerm, int32_t retStart, int32_t retMax,
                             const EutilsIdentity &identity, SortOrder order = SortOrder::Recent,
                             const QDate &addedSince = {});
// ESearch's count alone (rettype=count) of a prepared term; with years, of
// the articles published in them (datetype=pdat&mindate=Y&maxdate=Y).
EutilsRequest countRequest(const Endpoints &endpoints, const QString &preparedTerm, const EutilsIdentity &identity,
                           int fromYear = 0, int toYear = 0);
// ESearch in the MeSH vocabulary: the uids of at most `retMax` headings
// matching a prepared term.
EutilsRequest meshSearchRequest(const Endpoints &endpoints, const QString &preparedTerm, int retMax,
                                const EutilsIdentity &identity);
// ESummary (version 2.0) of MeSH uids: each heading's terms, scope note,
// subheadings and place in the tree.
EutilsRequest meshSummaryRequest(const Endpoints &endpoints, const QStringList &uids, const EutilsIdentity &identity);
// ESpell's spelling correction of a prepared term.
EutilsRequest espellRequest(const Endpoints &endpoints, const QString &preparedTerm, const EutilsIdentity &identity);
// EFetch of the records of `pmids`, as one comma-separated id= value.
EutilsRequest efetchRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity);

// What an ELink request asks for.
struct ElinkQuery
{
    QStringList pmids;
    // One link name (pubmed_pubmed, pubmed_pubmed_citedin, ...), or empty for
    // every PubMed-to-PubMed link set at once.
    QString linkName;
    // One id= per PMID gives one LinkSet per PMID; one comma-separated id=
    // gives a single LinkSet, the union for all of them.
    bool perId = false;
    // cmd=neighbor_score: a Score after each similar article's Id.
    bool scores = false;
};
EutilsRequest elinkRequest(const Endpoints &endpoints, const ElinkQuery &query, const EutilsIdentity &identity);
// ECitMatch of citations given as its bdata lines ("journal|year|volume|first
// page|author|key|"), percent-encoded each and sent as one bdata value
// separated by carriage returns.
EutilsRequest ecitmatchRequest(const Endpoints &endpoints, const QStringList &citations, const EutilsIdentity &identity);
// The same request as a form POST, whatever its size: its parameters move
// from the URL into the body.
EutilsRequest asPost(EutilsRequest request);

// `text` with the API key replaced, for messages and log lines: the key is
// the user's secret and is never shown or logged.
QString withoutApiKey(QString text, const EutilsIdentity &identity);
