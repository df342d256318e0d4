#include "SearchCommand.h"

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
#include "export/ExportFormat.h"
#include "search/SearchMessages.h"
#include "search/SearchPaging.h"

#include <QEventLoop>

#include <algorithm>
#include <string>

namespace {

enum class OutputFormat { Json, Plain, Rtf, Html, File };

struct SearchArguments
{
    int32_t batchSize = 0;
    bool all = false;
    OutputFormat format = OutputFormat::Json;
    // The file format when `format` is File.
    ExportFormat fileFormat = ExportFormat::Ris;
    Endpoints endpoints;
};

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
        else if (m_format == OutputFormat::File)
            writeStdout(ExportFormats::write(m_fileFormat, articles));
    }

private:
    OutputFormat m_format;
    ExportFormat m_fileFormat;
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

QString SearchCommand::name() const
{
    return QStringLiteral("search");
}

QString SearchCommand::summary() const
{
    return QStringLiteral("Search PubMed and print the records or citations of the matches.");
}

QString SearchCommand::description() const
{
    return QStringLiteral("Asks the E-utilities for the PMIDs of a PubMed query and downloads their records, one batch "
                          "at a time, as the window does; prints the records of the first batch, or of every batch with "
                          "--all. Progress (how many articles were found and downloaded) and failures go to standard "
                          "error. JSON and plain citations are printed batch by batch; RTF and HTML documents once, with "
                          "every record that arrived.\n\n"
                          "The service serves at most %1 records of one query; --all stops there and says how many "
                          "matches were left out. Put -- before a query that starts with a dash.")
        .arg(kEutilsRecordLimit);
}

QList<CliArgument> SearchCommand::arguments() const
{
    return {{QStringLiteral("QUERY"), QStringLiteral("A PubMed query, with field tags such as [ti], [au] or [dp] as on the "
                                                     "PubMed site.")}};
}

QList<CliOption> SearchCommand::options() const
{
    return {
        {.names = {QStringLiteral("batch")},
         .valueName = QStringLiteral("N"),
         .description = QStringLiteral("Articles per batch, from 1 to %1.").arg(kEutilsRecordLimit),
         .defaultValue = QStringLiteral("20")},
        {.names = {QStringLiteral("all")}, .description = QStringLiteral("Download every batch, not only the first.")},
        {.names = {QStringLiteral("format")},
         .valueName = QStringLiteral("FORMAT"),
         .description = QStringLiteral("json prints the records as efetch does; plain, rtf and html print their "
                                       "citations as cite does; ris, bibtex, medline and csv print the file the "
                                       "window's File > Export All would write."),
         .choices = QStringList{QStringLiteral("json"), QStringLiteral("plain"), QStringLiteral("rtf"),
                                QStringLiteral("html")} + ExportFormats::names(),
         .defaultValue = QStringLiteral("json")},
        {.names = {QStringLiteral("eutils")},
         .valueName = QStringLiteral("URL"),
         .description = QStringLiteral("Ask another E-utilities service, given by scheme, host and port only (such as "
                                       "http://127.0.0.1:8080), for instance a local copy or a test server."),
         .defaultValue = Endpoints().eutilsOrigin()},
    };
}

QList<CliExample> SearchCommand::examples() const
{
    return {{QStringLiteral("search 'crispr[ti] AND 2020[dp]' --all --format plain"),
             QStringLiteral("Print the plain citation of every article of 2020 with CRISPR in its title.")},
            {QStringLiteral("search 'crispr[ti] AND 2020[dp]' --all --format ris > crispr.ris"),
             QStringLiteral("Write the same articles to a RIS file for a reference manager.")}};
}

int SearchCommand::run(const CliParsedArguments &arguments) const
{
    SearchArguments parsed;
    bool batchOk = false;
    parsed.batchSize = arguments.value(QStringLiteral("batch")).toInt(&batchOk);
    if (!batchOk || parsed.batchSize < 1 || parsed.batchSize > kEutilsRecordLimit)
        return usageError(QStringLiteral("--batch takes a number from 1 to %1").arg(kEutilsRecordLimit));
    parsed.all = arguments.isSet(QStringLiteral("all"));
    parsed.format = formatNamed(arguments.value(QStringLiteral("format")));
    parsed.fileFormat = ExportFormats::named(arguments.value(QStringLiteral("format"))).value_or(ExportFormat::Ris);
    if (arguments.isSet(QStringLiteral("eutils"))) {
        const std::optional<QUrl> origin = eutilsOriginNamed(arguments.value(QStringLiteral("eutils")));
        if (!origin)
            return usageError(QStringLiteral("--eutils takes a scheme, host and port, such as http://127.0.0.1:8080"));
        parsed.endpoints.eutils = *origin;
    }
    const QString term = prepareQueryTerm(arguments.positional().constFirst());
    if (term.isEmpty())
        return usageError(QStringLiteral("the query is blank"));

    RecordPrinter printer(parsed.format, parsed.fileFormat, parsed.endpoints);
    ArticleList articles;
    const bool complete = runSearch(parsed, term, printer, articles);
    printer.finish(articles);
    return complete ? 0 : 1;
}
