#include "cli/CliSearch.h"

#include "references/ReferenceMatcher.h"
#include "references/ReferenceMessages.h"
#include "references/ReferenceSplitter.h"
#include "search/SearchMessages.h"

#include <QEventLoop>

namespace {

// The references matched, after the matcher's progress and failures went to standard error.
ReferenceMatching matched(const QStringList &references, const SearchArguments &parsed)
{
    ReferenceMatcher matcher(parsed.endpoints);
    matcher.setIdentity(parsed.identity);
    ReferenceMatching outcome;
    QEventLoop loop;
    QObject::connect(&matcher, &ReferenceMatcher::stepStarted, [](const QString &what) { writeStderrLine(what); });
    QObject::connect(&matcher, &ReferenceMatcher::retryScheduled,
                     [](int seconds) { writeStderrLine(SearchMessages::busyRetrying(seconds)); });
    QObject::connect(&matcher, &ReferenceMatcher::finished, [&](const ReferenceMatching &result) {
        outcome = result;
        loop.quit();
    });
    matcher.start(references);
    loop.exec();
    for (const QString &error : std::as_const(outcome.errors))
        reportFailure(error);
    return outcome;
}

// "PMID<TAB>how<TAB>reference", the PMID empty when none was found; an
// ambiguous reference names its candidates after its how.
QByteArray matchLines(const ReferenceMatching &outcome)
{
    QString out;
    for (const ReferenceMatch &match : outcome.matches) {
        QString how = ReferenceMessages::how(match.how);
        if (!match.candidates.isEmpty())
            how += QStringLiteral(": ") + match.candidates.join(QLatin1Char(' '));
        out += match.pmid + u'\t' + how + u'\t' + withoutControls(match.text) + u'\n';
    }
    return out.toUtf8();
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, parsed))
        return *usageError;
    const std::optional<QByteArray> input = readCliInput(arguments.positional().value(0, QStringLiteral("-")));
    if (!input)
        return 1;
    const QStringList references = splitReferences(QString::fromUtf8(*input));
    const ReferenceMatching outcome = matched(references, parsed);
    writeStderrLine(ReferenceMessages::summary(outcome.foundCount(), outcome.referenceCount()));
    const bool complete = outcome.errors.isEmpty() && outcome.foundCount() == outcome.referenceCount();
    if (!arguments.isSet(QStringLiteral("format"))) {
        writeStdout(matchLines(outcome));
        return complete ? 0 : 1;
    }
    for (const ReferenceMatch &match : outcome.matches) {
        if (!match.found() && match.how != ReferenceMatch::How::NotAReference)
            writeStderrLine(ReferenceMessages::how(match.how) + QStringLiteral(": ") + match.text);
    }
    RecordPrinter printer(parsed.format, parsed.fileFormat, parsed.endpoints);
    printer.setSource(SearchSource::list({}, outcome.pmids(), outcome.textsOfPmids()));
    ArticleList articles;
    CliSearch search(parsed, printer, articles);
    const bool fetched = search.fetchInBatches(outcome.pmids());
    printer.finish(articles);
    return complete && fetched ? 0 : 1;
}

} // namespace

CliCommand matchCommand()
{
    return {
        {.name = QStringLiteral("match"),
         .summary = QStringLiteral("Find the PubMed articles of a reference list."),
         .description = QStringLiteral(
             "Reads references (numbered, one per line, or in blocks parted by blank lines, in the Vancouver, AMA, "
             "APA or Lancet style) and finds the PMID of each in as few requests as possible: a PMID in the text "
             "is taken as it is; DOIs and PMCIDs go to PMC's ID converter (%1 a request); references with a "
             "journal, year, volume or page go to ECitMatch (%2 a request); the rest are searched for with "
             "ESearch by first author, year and title words, or volume and page. Prints one line per reference: "
             "PMID<TAB>how<TAB>reference, how being identifier, citation match, search, ambiguous (with the "
             "candidate PMIDs: a search found several), not found or not a reference, the PMID empty unless "
             "found. With --format, downloads the records of the articles found instead, in the order of the "
             "list, each once, and names on standard error what was not found; the files say which reference "
             "each record matched. Exit status 1 when some reference was not found.")
                             .arg(kIdConverterMaxIds)
                             .arg(kEcitmatchMaxCitations),
         .arguments = {{QStringLiteral("FILE"), QStringLiteral("The reference list, or - (the default) for standard input."),
                        true, false, true}},
         .options = eutilsOptions(),
         .examples = {{QStringLiteral("match refs.txt"),
                       QStringLiteral("Print the PMID of each reference of refs.txt and how it was found.")},
                      {QStringLiteral("match refs.txt --format ris > refs.ris"),
                       QStringLiteral("Write the records of the articles found to a RIS file.")}}},
        run};
}
