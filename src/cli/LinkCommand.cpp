#include "cli/CliSearch.h"

#include "entrez/LinkKind.h"
#include "entrez/Pmid.h"
#include "search/SearchMessages.h"
#include "search/SearchSource.h"

#include <algorithm>
#include <iterator>

namespace {

struct LinkArguments
{
    LinkKind kind = LinkKind::Similar;
    QStringList pmids;
    bool scores = false;
    bool each = false;
    bool fetch = false;
    CitationSource source = CitationSource::Icite;

    // Citing articles and references from iCite; similar ones always from ELink.
    bool fromIcite() const { return kind != LinkKind::Similar && source == CitationSource::Icite; }
};

// Exactly one of --similar, --cited-by and --references.
std::optional<LinkKind> kindAsked(const CliParsedArguments &arguments)
{
    const QList<std::pair<const char *, LinkKind>> kinds{
        {"similar", LinkKind::Similar}, {"cited-by", LinkKind::CitedBy}, {"references", LinkKind::References}};
    std::optional<LinkKind> kind;
    for (const auto &[name, value] : kinds) {
        if (!arguments.isSet(QLatin1String(name)))
            continue;
        if (kind)
            return std::nullopt;
        kind = value;
    }
    return kind;
}

// The usage error's message, or empty.
QString readLinkArguments(const CliParsedArguments &arguments, LinkArguments &parsed)
{
    const std::optional<LinkKind> kind = kindAsked(arguments);
    if (!kind)
        return QStringLiteral("give one of --similar, --cited-by and --references");
    parsed.kind = *kind;
    parsed.pmids = arguments.positional();
    if (parsed.pmids.isEmpty())
        return QStringLiteral("no PMID given");
    for (const QString &pmid : std::as_const(parsed.pmids)) {
        if (!isPmid(pmid.toStdString()))
            return QStringLiteral("%1 is not a PMID").arg(pmid);
    }
    parsed.scores = arguments.isSet(QStringLiteral("scores"));
    parsed.each = arguments.isSet(QStringLiteral("each"));
    parsed.fetch = arguments.isSet(QStringLiteral("fetch"));
    parsed.source = citationSourceOf(arguments);
    if (parsed.each && arguments.isSet(QStringLiteral("union")))
        return QStringLiteral("give --union or --each, not both");
    if (parsed.scores && (parsed.kind != LinkKind::Similar || parsed.each || parsed.fetch))
        return QStringLiteral("--scores goes with --similar and --union, without --fetch");
    if (parsed.fetch && parsed.each)
        return QStringLiteral("--fetch goes with --union");
    return {};
}

// "PMID" or "PMID<TAB>score" lines.
QByteArray unionLines(const QList<LinkedArticle> &links, bool scores)
{
    QByteArray out;
    for (const LinkedArticle &link : links) {
        out += link.pmid.toLatin1();
        if (scores)
            out += '\t' + (link.score ? QByteArray::number(*link.score) : QByteArray());
        out += '\n';
    }
    return out;
}

// One line per PMID asked about, in the order given: the PMID, then its
// linked PMIDs (`linkedTo` gives them), separated by tabs.
QByteArray eachLines(const LinkArguments &parsed, const std::function<QStringList(const QString &pmid)> &linkedTo)
{
    QByteArray out;
    for (const QString &pmid : parsed.pmids)
        out += (QStringList{pmid} + linkedTo(pmid)).join(QLatin1Char('\t')).toLatin1() + '\n';
    return out;
}

QByteArray eachLines(const ElinkAnswer &answer, const LinkArguments &parsed)
{
    return eachLines(parsed, [&](const QString &pmid) {
        ElinkAnswer own;
        for (const ElinkLinkSet &set : answer.linkSets) {
            if (set.askedPmids.contains(pmid))
                own.linkSets.append(set);
        }
        return pmidsOf(orderedLinks(own, parsed.kind, {pmid}));
    });
}

QByteArray eachLines(const QList<IciteRecord> &records, const LinkArguments &parsed)
{
    return eachLines(parsed, [&](const QString &pmid) {
        QList<IciteRecord> own;
        std::copy_if(records.cbegin(), records.cend(), std::back_inserter(own),
                     [&pmid](const IciteRecord &record) { return record.pmid == pmid; });
        return iciteLinkedPmids(own, parsed.kind);
    });
}

// The linked articles, in order, and by each the PMIDs asked about that it
// is linked from.
struct Linked {
    QList<LinkedArticle> links;
    QHash<QString, QStringList> linkedFrom;
};

// The linked articles, as ELink or iCite gives them: the union, or one line
// per PMID printed at once; none after a failure (reported).
std::optional<Linked> linkedArticles(CliSearch &search, const LinkArguments &parsed, bool &printed)
{
    printed = false;
    Linked linked;
    if (parsed.fromIcite()) {
        const std::optional<QList<IciteRecord>> records = search.icite(parsed.pmids);
        if (!records)
            return std::nullopt;
        if ((printed = parsed.each))
            writeStdout(eachLines(*records, parsed));
        for (const QString &pmid : iciteLinkedPmids(*records, parsed.kind))
            linked.links.append({pmid, std::nullopt});
        linked.linkedFrom = iciteLinkedFrom(*records, parsed.kind);
        return linked;
    }
    // Fetched records say which PMIDs each was linked from: one link set per PMID.
    const bool perId = parsed.each || (parsed.fetch && parsed.pmids.size() > 1);
    const std::optional<ElinkAnswer> answer = search.elink({parsed.pmids, linkNameOf(parsed.kind), perId, parsed.scores});
    if (!answer)
        return std::nullopt;
    if ((printed = parsed.each))
        writeStdout(eachLines(*answer, parsed));
    linked.links = orderedLinks(*answer, parsed.kind, parsed.pmids);
    linked.linkedFrom = linkedFrom(*answer, parsed.kind, parsed.pmids);
    return linked;
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments searchArguments;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, searchArguments))
        return *usageError;
    LinkArguments parsed;
    if (const QString usageError = readLinkArguments(arguments, parsed); !usageError.isEmpty())
        return command.usageError(usageError);

    RecordPrinter printer(searchArguments.format, searchArguments.fileFormat, searchArguments.endpoints);
    ArticleList articles;
    CliSearch search(searchArguments, printer, articles);
    bool printed = false;
    const std::optional<Linked> found = linkedArticles(search, parsed, printed);
    if (!found)
        return 1;
    if (printed)
        return 0;
    const QList<LinkedArticle> &links = found->links;
    const QString none = parsed.fromIcite() ? SearchMessages::noIciteLinks(parsed.kind, parsed.pmids.size())
                                            : SearchMessages::noLinkedArticles(parsed.kind, parsed.pmids.size());
    writeStderrLine(links.isEmpty() ? none : SearchMessages::foundLinked(links.size()));
    if (!parsed.fetch) {
        writeStdout(unionLines(links, parsed.scores));
        return 0;
    }
    const SearchSource source = SearchSource::linkedTo(parsed.kind, parsed.pmids);
    printer.setSource(source);
    QHash<QString, QString> foundAs;
    for (auto it = found->linkedFrom.cbegin(); it != found->linkedFrom.cend(); ++it)
        foundAs.insert(it.key(), source.foundAs(it.value()));
    printer.setFoundAs(foundAs);
    const bool complete = search.fetchInBatches(pmidsOf(links));
    printer.finish(articles);
    return complete ? 0 : 1;
}

QList<CliOption> linkOptions()
{
    return {
        {.names = {QStringLiteral("similar")},
         .description = QStringLiteral("Similar articles, the most similar first; the PMIDs given are left out.")},
        {.names = {QStringLiteral("cited-by")},
         .description = QStringLiteral("Articles that cite them, the newest (highest PMID) first.")},
        {.names = {QStringLiteral("references")},
         .description = QStringLiteral("The articles of their reference lists, in their order.")},
        {.names = {QStringLiteral("scores")},
         .description = QStringLiteral("With --similar, print each PMID's similarity score after a tab.")},
        {.names = {QStringLiteral("union")},
         .description = QStringLiteral("Print the linked articles of all the PMIDs given, each once (the default).")},
        {.names = {QStringLiteral("each")},
         .description = QStringLiteral("Print one line per PMID given: the PMID, then its linked PMIDs, all "
                                       "separated by tabs.")},
        {.names = {QStringLiteral("fetch")},
         .description = QStringLiteral("Download the linked articles' records and print them in --format, as "
                                       "search does.")},
        citationSourceOption(QStringLiteral("citing articles and references")),
    };
}

} // namespace

CliCommand linkCommand()
{
    return {
        {.name = QStringLiteral("link"),
         .summary = QStringLiteral("Print the articles similar to, citing or cited by the given PMIDs."),
         .description = QStringLiteral(
             "Asks ELink once (or iCite, %1 PMIDs a request) for the articles linked to the PMIDs given and "
             "prints their PMIDs, one per line, or with --fetch downloads their records in batches, as search "
             "does. Citing articles and references come from iCite, the NIH Open Citation Collection of every "
             "PubMed article, unless --source pmc asks ELink, which knows only citing articles and reference "
             "lists deposited in PubMed Central. Similar articles always come from ELink. An error reported by "
             "the service ends the command with status 1.")
                                .arg(kIciteMaxPmids),
         .arguments = {{.name = QStringLiteral("PMID"), .description = QStringLiteral("One or more PMIDs."), .repeats = true}},
         .options = linkOptions() + eutilsOptions(),
         .examples = {{QStringLiteral("link --cited-by 31746150"),
                       QStringLiteral("Print the PMIDs of the articles citing 31746150, the newest first.")},
                      {QStringLiteral("link --references --fetch --format ris 31746150 > refs.ris"),
                       QStringLiteral("Write the records of its references to a RIS file.")}}},
        run};
}
