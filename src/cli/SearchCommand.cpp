#include "cli/CliSearch.h"

#include "cli/CliMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/PmidSearch.h"
#include "search/SearchFilters.h"
#include "search/SearchMessages.h"

namespace {

QStringList clinicalCategoryNames()
{
    QStringList names;
    for (const ClinicalQuery::Category category : ClinicalQuery::categories())
        names.append(ClinicalQuery::name(category));
    return names;
}


int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, parsed))
        return *usageError;
    parsed.all = arguments.isSet(QStringLiteral("all"));
    parsed.pastLimit = arguments.isSet(QStringLiteral("past-limit"));
    parsed.sort = SortOrders::named(arguments.value(QStringLiteral("sort"))).value_or(SortOrder::Recent);
    parsed.explain = arguments.isSet(QStringLiteral("explain"));
    parsed.citedByCounts = arguments.isSet(QStringLiteral("cited-by-counts"));
    parsed.source = citationSourceOf(arguments);
    if (parsed.pastLimit && !parsed.all)
        return command.usageError(QStringLiteral("--past-limit goes with --all"));
    SearchFilters filters;
    filters.systematicReviews = arguments.isSet(QStringLiteral("systematic"));
    if (arguments.isSet(QStringLiteral("clinical"))) {
        filters.clinical = ClinicalQuery::named(arguments.value(QStringLiteral("clinical")));
        if (!filters.clinical)
            return command.usageError(QStringLiteral("--clinical takes a category (%1), then /broad or /narrow")
                                          .arg(clinicalCategoryNames().join(QLatin1String(", "))));
    }
    const QString query = filters.effectiveQuery(arguments.positional().constFirst());
    const QString term = prepareQueryTerm(query);
    if (term.isEmpty())
        return command.usageError(CliMessages::blankQuery());

    RecordPrinter printer(parsed.format, parsed.fileFormat, parsed.endpoints);
    if (parsed.citedByCounts)
        printer.addCitationMetrics({}); // columns even when no count arrives
    ArticleList articles;
    CliSearch search(parsed, printer, articles);
    search.setQuery(query);
    const bool complete = parsed.pastLimit ? search.runPastLimit(query) : search.runPaged(term);
    printer.finish(articles);
    return complete ? 0 : 1;
}

// The search's own options go after --batch.
QList<CliOption> withSearchOptions(QList<CliOption> options, const QList<CliOption> &own)
{
    for (qsizetype i = 0; i < own.size(); ++i)
        options.insert(1 + i, own.at(i));
    return options;
}

} // namespace

CliCommand searchCommand()
{
    return {
        {.name = QStringLiteral("search"),
         .summary = QStringLiteral("Search PubMed and print the records or citations of the matches."),
         .description =
             QStringLiteral(
                 "Asks the E-utilities for the PMIDs of a PubMed query and downloads their records, one batch "
                 "at a time, as the window does; prints the records of the first batch, or of every batch with "
                 "--all. Progress (how many articles were found and downloaded) and failures go to standard "
                 "error. JSON and plain citations are printed batch by batch; RTF and HTML documents once, with "
                 "every record that arrived.\n\n"
                 "ESearch serves only the first %1 matches of a query; --all stops there and says so (exit "
                 "status 0). With --past-limit, --all reads every match all the same, by cutting the query "
                 "into ranges of PMIDs of at most %1 matches each, and prints the records from the highest "
                 "PMID down, each once.\n\n"
                 "Requests are paced as NCBI asks: at most %2 per second, %3 with an API key. NCBI asks for "
                 "a contact address with every request. Put -- before a query that starts with a dash.")
                 .arg(kEsearchRecordLimit)
                 .arg(kEutilsRequestsPerSecond)
                 .arg(kEutilsRequestsPerSecondWithKey),
         .arguments = {{QStringLiteral("QUERY"),
                        QStringLiteral("A PubMed query, with field tags such as [ti], [au] or [dp] as on the "
                                       "PubMed site.")}},
         .options = withSearchOptions(eutilsOptions(),
             {
                 {.names = {QStringLiteral("all")},
                  .description = QStringLiteral("Download every batch, not only the first.")},
                 {.names = {QStringLiteral("past-limit")},
                  .description =
                      QStringLiteral("With --all, also read the matches past the first %1, range of PMIDs by range.")
                          .arg(kEsearchRecordLimit)},
                 {.names = {QStringLiteral("sort")},
                  .valueName = QStringLiteral("ORDER"),
                  .description = QStringLiteral(
                      "The order of the matches. recent: the newest first, ESearch's own; relevance: Best "
                      "Match, which ESearch computes on its own and can differ from the PubMed site's; "
                      "author: by first author. Every batch of the search keeps it."),
                  .choices = SortOrders::names(),
                  .defaultValue = SortOrders::name(SortOrder::Recent)},
                 {.names = {QStringLiteral("clinical")},
                  .valueName = QStringLiteral("CATEGORY"),
                  .description = QStringLiteral(
                      "Only clinical studies of a category of PubMed's Clinical Queries (%1), each with "
                      "/broad (sensitive, the default) or /narrow (specific): NLM's published filter is ANDed "
                      "with the query, as the window's Clinical study filter does.")
                      .arg(clinicalCategoryNames().join(QLatin1String(", ")))},
                 {.names = {QStringLiteral("systematic")},
                  .description = QStringLiteral("Only systematic reviews: %1 is ANDed with the query.")
                                     .arg(QLatin1String(kSystematicReviewsFilter))},
                 {.names = {QStringLiteral("explain")},
                  .description = QStringLiteral(
                      "Write what PubMed did with the query to standard error: the query, PubMed's "
                      "translation, each term's expansion and count, every error and warning, and the "
                      "count. Without it, a query PubMed ran only in part (a phrase not found, a word "
                      "ignored) is named on one line, and the search still succeeds.")},
                 {.names = {QStringLiteral("cited-by-counts")},
                  .description = QStringLiteral(
                      "Ask, with one more request per batch (per %1 articles from iCite), how many articles cite "
                      "each one: JSON lines get a citedByCount, an rcr (iCite's Relative Citation Ratio) and an "
                      "nihPercentile, each null when unknown; CSV last columns \"Cited by\", \"RCR\" and \"NIH "
                      "percentile\". PubMed Central (--source pmc) counts only citing articles deposited there "
                      "and has no RCR. A failed count request is reported and the search goes on.")
                      .arg(kIciteMaxPmids)},
                 citationSourceOption(QStringLiteral("the counts")),
             }),
         .examples = {{QStringLiteral("search 'crispr[ti] AND 2020[dp]' --all --format plain"),
                       QStringLiteral("Print the plain citation of every article of 2020 with CRISPR in its title.")},
                      {QStringLiteral("search 'crispr[ti] AND 2020[dp]' --all --format ris > crispr.ris"),
                       QStringLiteral("Write the same articles to a RIS file for a reference manager.")}}},
        run};
}
