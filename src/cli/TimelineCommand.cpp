#include "cli/CliSearch.h"

#include "cli/CliMessages.h"
#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/SearchResultParser.h"
#include "search/SearchMessages.h"
#include "timeline/TimelinePlan.h"

#include <QDate>

namespace {

// PubMed's own open start of a date range: the plan stops at the oldest articles.
constexpr int kEarliestYear = 1000;

std::optional<int> yearValue(const CliParsedArguments &arguments, const QString &name, int absent)
{
    if (!arguments.isSet(name))
        return absent;
    bool ok = false;
    const int year = arguments.value(name).toInt(&ok);
    return ok && year >= kEarliestYear && year <= 9999 ? std::optional<int>(year) : std::nullopt;
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseConnectionArguments(command, arguments, parsed))
        return *usageError;
    const QString query = arguments.positional().constFirst();
    const QString term = prepareQueryTerm(query);
    if (term.isEmpty())
        return command.usageError(CliMessages::blankQuery());
    const std::optional<int> from = yearValue(arguments, QStringLiteral("from"), kEarliestYear);
    const std::optional<int> to = yearValue(arguments, QStringLiteral("to"), QDate::currentDate().year());
    if (!from || !to || *from > *to)
        return command.usageError(QStringLiteral("--from and --to take years, the first not after the second"));

    PacedFetcher fetcher;
    TimelinePlan plan(*from, *to);
    while (const std::optional<YearSpan> span = plan.next()) {
        const std::optional<QByteArray> body =
            fetchReported(fetcher, countRequest(parsed.endpoints, term, parsed.identity, span->from, span->to));
        if (!body)
            return 1;
        const std::optional<qint64> count = countFromResponse(*body);
        if (!count) {
            reportFailure(SearchMessages::searchFailed(EntrezMessages::notACount()));
            return 1;
        }
        plan.answer(*count);
    }
    writeStdout(YearCountsCsv::write(plan.counts()).toUtf8());
    writeStderrLine(QStringLiteral("%1 count requests").arg(plan.requestsAnswered()));
    return finishStdout() ? 0 : 1;
}

} // namespace

CliCommand timelineCommand()
{
    return {
        {.name = QStringLiteral("timeline"),
         .summary = QStringLiteral("Count a query's articles per publication year, as Year,Count lines."),
         .description = QStringLiteral(
             "Counts the PubMed articles of a query published in each year, from the most recent back, with "
             "one small request per year: a decade is first counted whole, and its years only when it has "
             "articles; after a decade without any, one request says whether any older ones are left. "
             "Prints \"Year,Count\" and one line per year with articles, the most recent first, as PubMed's "
             "\"Results by year\" download; the number of requests goes to standard error. An article "
             "dated in two years (in print and online) counts in both, as on PubMed."),
         .arguments = {{QStringLiteral("QUERY"), QStringLiteral("A PubMed query, with field tags as on the PubMed site.")}},
         .options = QList<CliOption>{{.names = {QStringLiteral("from")},
                                      .valueName = QStringLiteral("YEAR"),
                                      .description = QStringLiteral("The earliest year counted; without it, back "
                                                                    "to the oldest article.")},
                                     {.names = {QStringLiteral("to")},
                                      .valueName = QStringLiteral("YEAR"),
                                      .description = QStringLiteral("The latest year counted; without it, this year.")}}
                    + connectionOptions(),
         .examples = {{QStringLiteral("timeline microbiome --from 2000 > microbiome.csv"),
                       QStringLiteral("The articles on the microbiome per year since 2000.")}}},
        run};
}
