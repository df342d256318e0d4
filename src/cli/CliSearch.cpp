#include "cli/CliSearch.h"

#include "entrez/EntrezMessages.h"
#include "search/QueryDetails.h"

#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "common/Endpoints.h"
#include "common/IntValue.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/EsearchClient.h"
#include "entrez/EutilsRequest.h"
#include "entrez/PacedFetcher.h"
#include "entrez/PmidSearch.h"
#include "export/ExportFormat.h"
#include "search/CitedByCounts.h"
#include "search/PmidRanges.h"
#include "search/SearchMessages.h"
#include "search/SearchPaging.h"

#include <QEventLoop>
#include <QSet>

#include <algorithm>
#include <functional>
#include <string>

namespace {

// An option's value, or else the environment variable's.
QString valueOrEnvironment(const CliParsedArguments &arguments, const QString &option, const char *variable)
{
    return arguments.isSet(option) ? arguments.value(option) : qEnvironmentVariable(variable);
}

// The option table accepts only these names.
OutputFormat formatNamed(const QString &name)
{
    if (name == QLatin1String("plain"))
        return OutputFormat::Plain;
    if (name == QLatin1String("rtf"))
        return OutputFormat::Rtf;
    if (name == QLatin1String("html"))
        return OutputFormat::Html;
    if (ExportFormats::named(name))
        return OutputFormat::File;
    return OutputFormat::Json;
}

// Only the scheme, host and port of another service are taken; the request
// paths are appended to them as for the real one.
std::optional<QUrl> originNamed(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const bool webScheme = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    const bool originOnly = (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery() && !url.hasFragment();
    if (!url.isValid() || !webScheme || url.host().isEmpty() || !originOnly)
        return std::nullopt;
    return url;
}

} // namespace

std::optional<int> parseEutilsArguments(const CliCommand &command, const CliParsedArguments &arguments,
                                        SearchArguments &parsed)
{
    bool batchOk = false;
    parsed.batchSize = arguments.value(QStringLiteral("batch")).toInt(&batchOk);
    if (!batchOk || parsed.batchSize < 1 || parsed.batchSize > kMaxBatchSize)
        return command.usageError(QStringLiteral("--batch takes a number from 1 to %1").arg(kMaxBatchSize));
    parsed.format = formatNamed(arguments.value(QStringLiteral("format")));
    parsed.fileFormat = ExportFormats::named(arguments.value(QStringLiteral("format"))).value_or(ExportFormat::Ris);
    return parseConnectionArguments(command, arguments, parsed);
}

std::optional<int> parseConnectionArguments(const CliCommand &command, const CliParsedArguments &arguments,
                                            SearchArguments &parsed)
{
    parsed.identity = {valueOrEnvironment(arguments, QStringLiteral("api-key"), "NCBI_API_KEY"),
                       valueOrEnvironment(arguments, QStringLiteral("email"), "NCBI_EMAIL")};
    for (const QString &name : {QStringLiteral("eutils"), QStringLiteral("services")}) {
        if (!arguments.isSet(name))
            continue;
        const std::optional<QUrl> origin = originNamed(arguments.value(name));
        if (!origin)
            return command.usageError(
                QStringLiteral("--%1 takes a scheme, host and port, such as http://127.0.0.1:8080").arg(name));
        if (name == QLatin1String("eutils"))
            parsed.endpoints.eutils = *origin;
        else
            parsed.endpoints.pointServicesAt(*origin);
    }
    return std::nullopt;
}

namespace {

std::string jsonNumber(const std::optional<double> &number)
{
    return number ? QByteArray::number(*number, 'g', 15).toStdString() : std::string("null");
}

} // namespace

void RecordPrinter::printBatch(const ArticleList &articles, qsizetype from)
{
    std::string out;
    QString text;
    for (qsizetype i = from; i < articles.size(); ++i) {
        if (m_format == OutputFormat::Json && m_metrics) {
            const CitationMetrics known = m_metrics->value(articles.at(i).text(ArticleRecord::Key::PMID));
            const std::optional<double> count = known.citedBy ? std::optional<double>(double(*known.citedBy)) : std::nullopt;
            appendRecordJson(out, articles.at(i),
                             "\"citedByCount\": " + jsonNumber(count) + ", \"rcr\": " + jsonNumber(known.rcr)
                                 + ", \"nihPercentile\": " + jsonNumber(known.nihPercentile));
        } else if (m_format == OutputFormat::Json)
            appendRecordJson(out, articles.at(i));
        else if (m_format == OutputFormat::Plain)
            text += withoutControls(citationStringForArticle(articles.at(i))) + QLatin1String("\n\n");
    }
    writeStdout(QByteArray::fromStdString(out) + text.toUtf8());
}

void RecordPrinter::finish(const ArticleList &articles)
{
    if (m_format == OutputFormat::Rtf) {
        writeStdout(RtfWriter::write(exportTextForArticles(articles, m_endpoints)));
    } else if (m_format == OutputFormat::Html) {
        writeStdout(HtmlWriter::write(exportTextForArticles(articles, m_endpoints)).toUtf8());
    } else if (m_format == OutputFormat::File) {
        QStringList foundAs;
        for (const ArticleRecord &article : articles) {
            const QString pmid = article.text(ArticleRecord::Key::PMID);
            foundAs.append(m_foundAs.value(pmid, m_source.foundAsOf(pmid)));
        }
        writeStdout(ExportFormats::write(m_fileFormat, articles, foundAs, m_metrics ? &*m_metrics : nullptr, m_notes));
    }
}

void RecordPrinter::addCitationMetrics(const CitationMetricsMap &metrics)
{
    if (!m_metrics)
        m_metrics.emplace();
    m_metrics->insert(metrics);
}

void reportFailure(const QString &message)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: ") + message);
}

std::optional<QByteArray> fetchReported(PacedFetcher &fetcher, const EutilsRequest &request)
{
    fetcher.onRetryScheduled([](int seconds) { writeStderrLine(SearchMessages::busyRetrying(seconds)); });
    const PacedFetchResult fetched = fetcher.fetch(request);
    if (!fetched.ok() || fetched.canceled) {
        reportFailure(SearchMessages::searchFailed(withoutApiKey(fetched.error, request.identity)));
        return std::nullopt;
    }
    return fetched.body;
}

void CliSearch::wireRetryReports()
{
    const auto busy = [](int seconds) { writeStderrLine(SearchMessages::busyRetrying(seconds)); };
    m_fetcher.onRetryScheduled(busy);
    QObject::connect(&m_download, &ArticleDownload::retryScheduled, busy);
    m_download.setIdentity(m_arguments.identity);
}

std::optional<SearchResult> CliSearch::esearch(const QString &term, int32_t retStart, int32_t retMax)
{
    PmidSearchOutcome search =
        PMIDsForSearchString(m_fetcher, m_arguments.endpoints, term, retStart, retMax, m_arguments.identity, m_arguments.sort);
    if (!search.result)
        reportFailure(SearchMessages::searchFailed(search.error));
    else if (!m_reportedDetails)
        reportQueryDetails(*search.result);
    return std::move(search.result);
}

// A query PubMed ran only in part still succeeds, but never silently.
void CliSearch::reportQueryDetails(const SearchResult &answer)
{
    m_reportedDetails = true;
    if (m_arguments.explain) {
        // One line each, so that a line break inside the service's text is escaped like any other.
        for (const QString &line : QueryDetails::explanation(m_query, answer).chopped(1).split(QLatin1Char('\n')))
            writeStderrLine(line);
    } else if (const QString summary = QueryDetails::summary(answer); !summary.isEmpty()) {
        writeStderrLine(summary);
    }
}

// Downloads one batch and prints its records: the number of records, or none
// after a failure (reported).
std::optional<qsizetype> CliSearch::fetchAndPrint(const QStringList &pmids)
{
    std::optional<QByteArray> body;
    QString error;
    QEventLoop loop;
    QObject::connect(&m_download, &ArticleDownload::finished, &loop, [&] {
        body = m_download.takeBody();
        loop.quit();
    });
    QObject::connect(&m_download, &ArticleDownload::failed, &loop, [&](const QString &description, const QString &) {
        error = description;
        loop.quit();
    });
    if (!m_download.start(pmids))
        error = EntrezMessages::transferNotStarted();
    else
        loop.exec();
    if (!body) {
        reportFailure(SearchMessages::downloadFailed(error));
        return std::nullopt;
    }
    const auto listCount = m_articles.size();
    const qsizetype appended = appendArticlesFromBytes(std::move(*body), m_articles, m_elinkBase);
    if (appended < 0) {
        reportFailure(SearchMessages::downloadFailed(EntrezMessages::answerNotUtf8()));
        return std::nullopt;
    }
    if (m_arguments.citedByCounts && appended > 0) {
        QStringList batch;
        for (qsizetype i = listCount; i < m_articles.size(); ++i)
            batch.append(m_articles.at(i).text(ArticleRecord::Key::PMID));
        m_printer.addCitationMetrics(citationMetrics(batch));
    }
    m_printer.printBatch(m_articles, listCount);
    return appended;
}

bool CliSearch::runPaged(const QString &term)
{
    SearchPaging paging;
    paging.reset(m_arguments.batchSize);
    for (;;) {
        const std::optional<SearchResult> search = esearch(term, paging.retStart(), paging.retMax());
        if (!search)
            return false;
        const int32_t totalCount = intValue(search->totalCount);
        const QStringList &pmids = search->PMIDs;
        if (pmids.isEmpty()) {
            writeStderrLine(SearchMessages::found(totalCount));
            return true;
        }

        const auto listCount = int32_t(m_articles.size());
        const auto batchCount = int32_t(pmids.size());
        const int32_t downloaded = listCount + batchCount;
        const bool atLimit = SearchPaging::stoppedAtLimit(totalCount, downloaded);
        writeStderrLine(atLimit ? SearchMessages::foundDownloadedAtLimit(totalCount, downloaded)
                                : SearchMessages::foundDownloaded(totalCount, downloaded));
        const std::optional<qsizetype> appended = fetchAndPrint(pmids);
        if (!appended)
            return false;
        if (!m_arguments.all || !paging.advance(totalCount, listCount, batchCount, m_arguments.batchSize))
            return true;
        if (*appended == 0) {
            // The next window would be this one again.
            reportFailure(SearchMessages::downloadFailed(QStringLiteral("the answer holds no articles")));
            return false;
        }
    }
}

bool CliSearch::runPastLimit(const QString &query)
{
    // A query within the limit pages as usual; the first answer tells.
    const QString term = prepareQueryTerm(query);
    const std::optional<SearchResult> first = esearch(term, 0, 0);
    if (!first)
        return false;
    const int32_t totalCount = intValue(first->totalCount);
    if (totalCount <= kEsearchRecordLimit)
        return runPaged(term);

    // Ranges are disjoint, but the database may change between requests.
    QSet<QString> seen;
    const auto count = [&](const PmidRange &range) -> std::optional<int64_t> {
        const std::optional<SearchResult> answer = esearch(prepareQueryTerm(queryInPmidRange(query, range)), 0, 0);
        return answer ? std::optional<int64_t>(intValue(answer->totalCount)) : std::nullopt;
    };
    const auto readRange = [&](const PmidRange &range, int64_t) {
        const std::optional<SearchResult> answer =
            esearch(prepareQueryTerm(queryInPmidRange(query, range)), 0, kEsearchRecordLimit);
        if (!answer)
            return false;
        QList<qint64> ids;
        for (const QString &pmid : answer->PMIDs) {
            if (!seen.contains(pmid)) {
                seen.insert(pmid);
                ids.append(pmid.toLongLong());
            }
        }
        std::sort(ids.begin(), ids.end(), std::greater<>());
        for (qsizetype from = 0; from < ids.size(); from += m_arguments.batchSize) {
            QStringList batch;
            for (qsizetype i = from; i < std::min(ids.size(), from + m_arguments.batchSize); ++i)
                batch.append(QString::number(ids.at(i)));
            writeStderrLine(SearchMessages::foundDownloaded(totalCount, int(m_articles.size() + batch.size())));
            if (!fetchAndPrint(batch))
                return false;
        }
        return true;
    };
    return splitPmidRanges(PmidRange{}, totalCount, kEsearchRecordLimit, count, readRange);
}

bool CliSearch::fetchInBatches(const QStringList &pmids)
{
    for (qsizetype from = 0; from < pmids.size(); from += m_arguments.batchSize) {
        if (!fetchAndPrint(pmids.mid(from, m_arguments.batchSize)))
            return false;
    }
    return true;
}

CitationMetricsMap CliSearch::citationMetrics(const QStringList &pmids)
{
    const bool icite = m_arguments.source == CitationSource::Icite;
    const QList<EutilsRequest> requests = icite ? iciteRequests(m_arguments.endpoints, pmids)
                                                : QList<EutilsRequest>{citedByCountsRequest(m_arguments.endpoints, pmids, m_arguments.identity)};
    CitationMetricsMap metrics;
    const QString error = fetchEach(requests, [&](const QByteArray &body) {
        const CitedByCountsOutcome outcome = icite ? iciteMetricsOutcome(body) : citedByCountsOutcome(body);
        metrics.insert(outcome.counts);
        return outcome.error;
    });
    if (!error.isEmpty())
        reportFailure(SearchMessages::citedByCountsFailed(pmids.size()).arg(error));
    return metrics;
}

QString CliSearch::fetchEach(const QList<EutilsRequest> &requests, const std::function<QString(const QByteArray &)> &take)
{
    for (const EutilsRequest &request : requests) {
        const PacedFetchResult fetched = m_fetcher.fetch(request);
        const QString error = fetched.ok() ? take(fetched.body) : fetched.error;
        if (!error.isEmpty())
            return error;
    }
    return {};
}

std::optional<QList<IciteRecord>> CliSearch::icite(const QStringList &pmids)
{
    QList<IciteRecord> records;
    const QString error = fetchEach(iciteRequests(m_arguments.endpoints, pmids), [&records](const QByteArray &body) {
        const IciteAnswer answer = iciteAnswerFrom(body);
        records.append(answer.records);
        return answer.error;
    });
    if (!error.isEmpty()) {
        reportFailure(SearchMessages::linkFailed(error));
        return std::nullopt;
    }
    return records;
}

std::optional<ElinkAnswer> CliSearch::elink(const ElinkQuery &query)
{
    const PacedFetchResult fetched = m_fetcher.fetch(elinkRequest(m_arguments.endpoints, query, m_arguments.identity));
    if (!fetched.ok()) {
        reportFailure(SearchMessages::linkFailed(fetched.error));
        return std::nullopt;
    }
    std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(fetched.body);
    const QString error = answer ? answer->errorMessage() : EntrezMessages::notALinkSet();
    if (!error.isEmpty()) {
        reportFailure(SearchMessages::linkFailed(error));
        return std::nullopt;
    }
    return answer;
}

QList<CliOption> connectionOptions()
{
    QList<CliOption> options = eutilsOptions();
    options.removeIf([](const CliOption &option) {
        return option.names.contains(QLatin1String("batch")) || option.names.contains(QLatin1String("format"));
    });
    return options;
}

CliOption citationSourceOption(const QString &what)
{
    return {.names = {QStringLiteral("source")},
            .valueName = QStringLiteral("SOURCE"),
            .description = QStringLiteral("Where %1 come from. icite: the NIH Open Citation Collection, every PubMed "
                                          "article, with the Relative Citation Ratio; pmc: ELink, only articles in "
                                          "PubMed Central.")
                               .arg(what),
            .choices = CitationSources::names(),
            .defaultValue = CitationSources::name(CitationSource::Icite)};
}

CitationSource citationSourceOf(const CliParsedArguments &arguments)
{
    return CitationSources::named(arguments.value(QStringLiteral("source"))).value_or(CitationSource::Icite);
}

QList<CliOption> eutilsOptions()
{
    return {
            {.names = {QStringLiteral("batch")},
             .valueName = QStringLiteral("N"),
             .description = QStringLiteral("Articles per batch, from 1 to %1.").arg(kMaxBatchSize),
             .defaultValue = QStringLiteral("20")},
            {.names = {QStringLiteral("api-key")},
             .valueName = QStringLiteral("KEY"),
             .description =
                 QStringLiteral("Your NCBI API key (else $NCBI_API_KEY): %1 requests per second instead of %2.")
                     .arg(kEutilsRequestsPerSecondWithKey)
                     .arg(kEutilsRequestsPerSecond)},
            {.names = {QStringLiteral("email")},
             .valueName = QStringLiteral("ADDRESS"),
             .description =
                 QStringLiteral("Your e-mail address (else $NCBI_EMAIL), sent so that NCBI can reach you before "
                                "blocking your traffic.")},
            {.names = {QStringLiteral("format")},
             .valueName = QStringLiteral("FORMAT"),
             .description =
                 QStringLiteral("json prints the records as efetch does; plain, rtf and html print their "
                                "citations as cite does; ris, bibtex, medline and csv print the file the "
                                "window's File > Export All would write."),
             .choices = QStringList{QStringLiteral("json"), QStringLiteral("plain"), QStringLiteral("rtf"),
                                    QStringLiteral("html")} +
                        ExportFormats::names(),
             .defaultValue = QStringLiteral("json")},
            {.names = {QStringLiteral("eutils")},
             .valueName = QStringLiteral("URL"),
             .description =
                 QStringLiteral("Ask another E-utilities service, given by scheme, host and port only (such as "
                                "http://127.0.0.1:8080), for instance a local copy or a test server."),
             .defaultValue = Endpoints().eutilsOrigin()},
            {.names = {QStringLiteral("services")},
             .valueName = QStringLiteral("URL"),
             .description = QStringLiteral("Ask every other service (PubMed Central's, Unpaywall, iCite) at this scheme, "
                                           "host and port instead, such as a test server; the paths stay the "
                                           "services' own.")},
    };
}
