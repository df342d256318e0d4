#include "CliCommands.h"

#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "common/Endpoints.h"
#include "common/IntValue.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/PmidSearch.h"
#include "search/SearchMessages.h"
#include "search/SearchPaging.h"

#include <QEventLoop>

#include <algorithm>
#include <string>

namespace {

const char kUsage[] = "Usage: vexmoor-cli search QUERY [--batch N] [--all] [--format json|plain|rtf|html] [--eutils URL]";

enum class OutputFormat { Json, Plain, Rtf, Html };

struct SearchArguments
{
    QString query;
    int32_t batchSize = 20;
    bool all = false;
    OutputFormat format = OutputFormat::Json;
    Endpoints endpoints;
};

std::optional<OutputFormat> formatNamed(const QString &name)
{
    if (name == QLatin1String("json"))
        return OutputFormat::Json;
    if (name == QLatin1String("plain"))
        return OutputFormat::Plain;
    if (name == QLatin1String("rtf"))
        return OutputFormat::Rtf;
    if (name == QLatin1String("html"))
        return OutputFormat::Html;
    return std::nullopt;
}

// Only the scheme, host and port of another E-utilities service are taken;
// the request paths are appended to them as for the real one.
std::optional<QUrl> eutilsOriginNamed(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const bool webScheme = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    const bool originOnly = (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery() && !url.hasFragment();
    if (!url.isValid() || !webScheme || url.host().isEmpty() || !originOnly)
        return std::nullopt;
    return url;
}

std::optional<SearchArguments> parseSearchArguments(const QStringList &args)
{
    SearchArguments parsed;
    bool haveQuery = false;
    const auto fail = [](const QString &message) {
        writeStderrLine(QStringLiteral("vexmoor-cli search: ") + message);
        writeStderrLine(QLatin1String(kUsage));
        return std::nullopt;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool takesValue = arg == QLatin1String("--batch") || arg == QLatin1String("--format") || arg == QLatin1String("--eutils");
        if (takesValue && i + 1 == args.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        if (arg == QLatin1String("--all")) {
            parsed.all = true;
        } else if (arg == QLatin1String("--batch")) {
            bool ok = false;
            parsed.batchSize = args.at(++i).toInt(&ok);
            if (!ok || parsed.batchSize < 1 || parsed.batchSize > kEutilsRecordLimit)
                return fail(QStringLiteral("--batch takes a number from 1 to %1").arg(kEutilsRecordLimit));
        } else if (arg == QLatin1String("--format")) {
            const std::optional<OutputFormat> format = formatNamed(args.at(++i));
            if (!format)
                return fail(QStringLiteral("unknown format \"%1\" (json, plain, rtf or html)").arg(args.at(i)));
            parsed.format = *format;
        } else if (arg == QLatin1String("--eutils")) {
            const std::optional<QUrl> origin = eutilsOriginNamed(args.at(++i));
            if (!origin)
                return fail(QStringLiteral("--eutils takes a scheme, host and port, such as http://127.0.0.1:8080"));
            parsed.endpoints.eutils = *origin;
        } else if (!haveQuery && !arg.startsWith(QLatin1String("--"))) {
            parsed.query = arg;
            haveQuery = true;
        } else {
            return fail(QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }
    if (!haveQuery)
        return fail(QStringLiteral("no query given"));
    return parsed;
}

// Runs one EFetch transfer to its end. The body, or the failure's reason.
struct DownloadOutcome
{
    std::optional<QByteArray> body;
    QString error;
};

DownloadOutcome downloadBatch(ArticleDownload &download, const QStringList &pmids)
{
    DownloadOutcome outcome;
    QEventLoop loop;
    QObject::connect(&download, &ArticleDownload::finished, &loop, [&] {
        outcome.body = download.takeBody();
        loop.quit();
    });
    QObject::connect(&download, &ArticleDownload::failed, &loop, [&](const QString &description, const QString &) {
        outcome.error = description;
        loop.quit();
    });
    if (!download.start(pmids))
        return {std::nullopt, QStringLiteral("the transfer could not be started")};
    loop.exec();
    return outcome;
}

// Writes records as they arrive for the line formats; the RTF and HTML
// documents hold every record and are written once at the end.
class RecordPrinter
{
public:
    RecordPrinter(OutputFormat format, const Endpoints &endpoints)
        : m_format(format)
        , m_endpoints(endpoints)
    {
    }

    void printBatch(const ArticleList &articles, qsizetype from)
    {
        std::string out;
        QString text;
        for (qsizetype i = from; i < articles.size(); ++i) {
            if (m_format == OutputFormat::Json)
                appendRecordJson(out, articles.at(i));
            else if (m_format == OutputFormat::Plain)
                text += citationStringForArticle(articles.at(i)) + QLatin1String("\n\n");
        }
        writeStdout(QByteArray::fromStdString(out) + text.toUtf8());
    }

    void finish(const ArticleList &articles)
    {
        if (m_format == OutputFormat::Rtf)
            writeStdout(RtfWriter::write(exportTextForArticles(articles, m_endpoints)));
        else if (m_format == OutputFormat::Html)
            writeStdout(HtmlWriter::write(exportTextForArticles(articles, m_endpoints)).toUtf8());
    }

private:
    OutputFormat m_format;
    Endpoints m_endpoints;
};

void reportFailure(const QString &message)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: ") + message);
}

// The batches of one search, with the window's requests and paging arithmetic.
// True when every batch asked for arrived.
bool runSearch(const SearchArguments &arguments, const QString &term, RecordPrinter &printer, ArticleList &articles)
{
    BlockingFetcher fetcher;
    ArticleDownload download(arguments.endpoints);
    const std::string elinkBase = elinkBaseUrl(arguments.endpoints);
    SearchPaging paging;
    paging.reset(arguments.batchSize);
    for (;;) {
        // The service answers no window past its record limit.
        const int32_t retMax = std::min(paging.retMax(), kEutilsRecordLimit - paging.retStart());
        const PmidSearchOutcome search = PMIDsForSearchString(fetcher, arguments.endpoints, term, paging.retStart(), retMax);
        if (!search.result) {
            reportFailure(SearchMessages::searchFailed(search.error));
            return false;
        }
        const int32_t totalCount = intValue(search.result->totalCount);
        const QStringList &pmids = search.result->PMIDs;
        if (pmids.isEmpty()) {
            writeStderrLine(SearchMessages::found(totalCount));
            return true;
        }

        const auto listCount = int32_t(articles.size());
        const auto batchCount = int32_t(pmids.size());
        writeStderrLine(SearchMessages::foundDownloaded(totalCount, listCount + batchCount));
        DownloadOutcome fetched = downloadBatch(download, pmids);
        if (!fetched.body) {
            reportFailure(SearchMessages::downloadFailed(fetched.error));
            return false;
        }
        const qsizetype appended = appendArticlesFromBytes(std::move(*fetched.body), articles, elinkBase);
        if (appended < 0) {
            reportFailure(SearchMessages::downloadFailed(QStringLiteral("the answer is not valid UTF-8")));
            return false;
        }
        printer.printBatch(articles, listCount);
        if (!arguments.all || !paging.advance(totalCount, listCount, batchCount, arguments.batchSize))
            return true;
        if (appended == 0) {
            // The next window would be this one again.
            reportFailure(SearchMessages::downloadFailed(QStringLiteral("the answer holds no articles")));
            return false;
        }
        if (paging.retStart() >= kEutilsRecordLimit) {
            writeStderrLine(QStringLiteral("vexmoor-cli: stopped at the service's limit of %1 records; "
                                           "the other %2 matches cannot be fetched")
                                .arg(kEutilsRecordLimit)
                                .arg(totalCount - paging.retStart()));
            return true;
        }
    }
}

} // namespace

int runSearchCommand(const QStringList &args)
{
    const std::optional<SearchArguments> arguments = parseSearchArguments(args);
    if (!arguments)
        return 2;
    const QString term = prepareQueryTerm(arguments->query);
    if (term.isEmpty()) {
        writeStderrLine(QStringLiteral("vexmoor-cli search: the query is blank"));
        return 2;
    }
    RecordPrinter printer(arguments->format, arguments->endpoints);
    ArticleList articles;
    const bool complete = runSearch(*arguments, term, printer, articles);
    printer.finish(articles);
    return complete ? 0 : 1;
}
