#pragma once

// What the commands that ask the E-utilities share: the arguments read from
// their options, the paced requests, and the printing of the records.

#include "cli/CliCommands.h"

#include "common/Endpoints.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/ElinkAnswer.h"
#include "entrez/EutilsRequest.h"
#include "entrez/PacedFetcher.h"
#include "entrez/SearchResult.h"
#include "entrez/SortOrder.h"
#include "services/Icite.h"
#include "export/ExportFormat.h"
#include "common/CitationMetrics.h"
#include "search/SearchSource.h"
#include "services/CitationSource.h"

#include <optional>
#include <string>

enum class OutputFormat { Json, Plain, Rtf, Html, File };

// What the search and link commands were asked for.
struct SearchArguments
{
    int32_t batchSize = 0;
    bool all = false;
    bool pastLimit = false;
    SortOrder sort = SortOrder::Recent;
    // Every part of what PubMed did with the query, instead of one line when it left something out.
    bool explain = false;
    // One more request per batch, for each article's cited-by count (and
    // from iCite its RCR and percentile).
    bool citedByCounts = false;
    // Where cited-by counts, citing articles and references come from.
    CitationSource source = CitationSource::Icite;
    OutputFormat format = OutputFormat::Json;
    // The file format when `format` is File.
    ExportFormat fileFormat = ExportFormat::Ris;
    Endpoints endpoints;
    EutilsIdentity identity;
};

// Reads --batch, --api-key, --email, --format, --eutils and --services into `parsed`;
// the usage error's exit status when one is wrong.
std::optional<int> parseEutilsArguments(const CliCommand &command, const CliParsedArguments &arguments,
                                        SearchArguments &parsed);
// The option table rows of those options (but --source).
QList<CliOption> eutilsOptions();
// Reads only --api-key, --email, --eutils and --services, for the commands
// that print no records; and the rows of those options.
std::optional<int> parseConnectionArguments(const CliCommand &command, const CliParsedArguments &arguments,
                                            SearchArguments &parsed);
QList<CliOption> connectionOptions();
// The row of --source: where `what` ("counts") come from; and its value.
CliOption citationSourceOption(const QString &what);
CitationSource citationSourceOf(const CliParsedArguments &arguments);

// Writes records as they arrive for the line formats; the RTF and HTML
// documents and the export files hold every record and are written once at
// the end, the files byte for byte as the window exports them.
class RecordPrinter
{
public:
    RecordPrinter(OutputFormat format, ExportFormat fileFormat, const Endpoints &endpoints)
        : m_format(format)
        , m_fileFormat(fileFormat)
        , m_endpoints(endpoints)
    {
    }

    void printBatch(const ArticleList &articles, qsizetype from);
    void finish(const ArticleList &articles);
    // Where the records were found (a link set, a reference list), written
    // with each in the files.
    void setSource(const SearchSource &source) { m_source = source; }
    // From now on each JSON line has a citedByCount, an rcr and an
    // nihPercentile, and a CSV file their columns: the figures added, null or
    // blank for the others.
    void addCitationMetrics(const CitationMetricsMap &metrics);
    // Where a link set found each record, by its PMID, over the source's own
    // wording: one link set per PMID asked about.
    void setFoundAs(const QHash<QString, QString> &foundAs) { m_foundAs = foundAs; }
    // One note per record ("" for none), written in the files that have a place for one.
    void setNotes(const QStringList &notes) { m_notes = notes; }

private:
    OutputFormat m_format;
    ExportFormat m_fileFormat;
    Endpoints m_endpoints;
    SearchSource m_source;
    std::optional<CitationMetricsMap> m_metrics;
    QHash<QString, QString> m_foundAs;
    QStringList m_notes;
};

void reportFailure(const QString &message);
// One paced request whose busy answers are retried and reported: its body,
// or nothing after a reported failure.
std::optional<QByteArray> fetchReported(PacedFetcher &fetcher, const EutilsRequest &request);

// The requests of one search, paced and retried, and the records they bring.
class CliSearch
{
public:
    CliSearch(const SearchArguments &arguments, RecordPrinter &printer, ArticleList &articles)
        : m_arguments(arguments)
        , m_printer(printer)
        , m_articles(articles)
        , m_download(arguments.endpoints)
        , m_elinkBase(elinkBaseUrl(arguments.endpoints))
    {
        wireRetryReports();
    }

    // The batches of the window's paging, up to the PMIDs ESearch serves.
    // True when every batch asked for arrived.
    bool runPaged(const QString &term);
    // Every match, read range by range of PMIDs, highest first.
    bool runPastLimit(const QString &query);
    // The records of `pmids`, batch by batch; true when every batch arrived.
    bool fetchInBatches(const QStringList &pmids);
    // One ELink request: the answer, or nothing after a failure (reported),
    // an unreadable answer or an <ERROR> in it.
    std::optional<ElinkAnswer> elink(const ElinkQuery &query);
    // iCite's records of `pmids`: none after a failure (reported).
    std::optional<QList<IciteRecord>> icite(const QStringList &pmids);
    // The answers of `requests` fetched one by one, paced and retried, each
    // handed to `take`, which says why it cannot be used; the first failure
    // (the transfer's or take's), or empty when all went well.
    QString fetchEach(const QList<EutilsRequest> &requests, const std::function<QString(const QByteArray &)> &take);
    // The query as given, for the account of what PubMed did with it.
    void setQuery(const QString &query) { m_query = query; }

private:
    void wireRetryReports();
    std::optional<SearchResult> esearch(const QString &term, int32_t retStart, int32_t retMax);
    void reportQueryDetails(const SearchResult &answer);
    std::optional<qsizetype> fetchAndPrint(const QStringList &pmids);
    // The cited-by counts of `pmids` from the chosen source; none after a
    // failure, reported, which leaves the search going.
    CitationMetricsMap citationMetrics(const QStringList &pmids);

    const SearchArguments &m_arguments;
    RecordPrinter &m_printer;
    ArticleList &m_articles;
    PacedFetcher m_fetcher;
    ArticleDownload m_download;
    std::string m_elinkBase;
    QString m_query;
    // The first answer is the whole query's; later ones are its windows or ranges.
    bool m_reportedDetails = false;
};

