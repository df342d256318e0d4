#include "cli/CliCommands.h"
#include "cli/CliLibrary.h"
#include "cli/CliSearch.h"

#include "export/BibtexWriter.h"
#include "export/CsvWriter.h"
#include "export/RisWriter.h"
#include "library/LibraryStore.h"
#include "review/PrismaLayout.h"
#include "review/ReviewDeduplication.h"
#include "review/ReviewFile.h"
#include "review/ReviewImport.h"
#include "review/ReviewMessages.h"
#include "review/ReviewReport.h"
#include "review/ReviewStore.h"
#include "review/ScreenerAgreement.h"

#include <QDate>
#include <QFileInfo>

namespace {

struct Action
{
    const char *name;
    const char *takes;
    qsizetype words; // the action's name included
};
constexpr Action kActions[] = {
    {"list", "nothing more", 1},          {"show", "one NAME", 2},  {"import", "a NAME and a FILE", 3},
    {"dedup", "one NAME", 2},             {"prisma", "one NAME", 2}, {"export", "one NAME", 2},
    {"share", "one NAME", 2},
};

QString who()
{
    return screenerName({}, qEnvironmentVariable("NCBI_EMAIL"));
}

int failed(const QString &message, int status = 1)
{
    reportFailure(message);
    return status;
}

int list(ReviewStore &store)
{
    const auto reviews = store.reviews();
    if (!reviews)
        return failed(store.error(), kLibraryUnusable);
    QString out;
    for (const Review &review : *reviews) {
        const auto records = store.records(review.id);
        out += withoutControls(review.name) + u'\t' + QString::number(records ? records->size() : 0) + u'\n';
    }
    writeStdout(out.toUtf8());
    return 0;
}

int show(const ReviewReport &report)
{
    const Review &review = report.review();
    const PrismaCounts c = report.counts();
    QString out = QStringLiteral("Review: %1\n").arg(review.name);
    for (const auto &[label, text] : {std::pair(QStringLiteral("Question"), review.question),
                                      {QStringLiteral("Inclusion"), review.inclusion},
                                      {QStringLiteral("Exclusion"), review.exclusion},
                                      {QStringLiteral("Reasons"), review.reasons.join(QStringLiteral("; "))}}) {
        if (!text.isEmpty())
            out += label + QStringLiteral(": ") + text + u'\n';
    }
    for (const ReviewSource &s : report.sources())
        out += QStringLiteral("Source: %1\t%2\t%3 records\n").arg(s.database, s.searched.toString(Qt::ISODate)).arg(s.count);
    out += QString::fromUtf8(c.csv()).remove(u'\r');
    writeStdout(withoutControls(out).toUtf8());
    return 0;
}

// A shared review: made anew under NAME, or, when NAME exists, another screener's decisions taken from it.
int importShared(ReviewStore &store, const QString &name, const QByteArray &bytes)
{
    QString error;
    if (const std::optional<Review> review = store.review(name)) {
        const std::optional<qsizetype> taken = ReviewFile::importDecisions(store, *review, bytes, who(), error);
        if (!taken)
            return failed(error);
        writeStderrLine(ReviewMessages::decisionsImported(*taken));
        return 0;
    }
    return ReviewFile::read(store, bytes, error, name) ? 0 : failed(error);
}

int import(ReviewStore &store, const QString &name, const QString &path, const CliParsedArguments &arguments)
{
    const std::optional<QByteArray> bytes = readCliInput(path);
    if (!bytes)
        return 1;
    if (path.endsWith(u'.' + QLatin1String(ReviewFile::kSuffix)))
        return importShared(store, name, *bytes);
    const auto format = ReviewImport::detect(path, *bytes);
    if (!format)
        return failed(path + QStringLiteral(": ") + ReviewMessages::unknownFormat());
    const ReviewImport::Result result = ReviewImport::read(*bytes, *format);
    if (!result.ok())
        return failed(path + QStringLiteral(": ") + result.error);
    std::optional<Review> review = store.review(name);
    if (!review) {
        Review made;
        made.name = name;
        made.reasons = ReviewMessages::defaultReasons();
        if (!store.createReview(made) || !(review = store.review(name)))
            return failed(store.error());
    }
    const QString database = arguments.value(QStringLiteral("source"));
    const QDate searched = arguments.isSet(QStringLiteral("date"))
                               ? QDate::fromString(arguments.value(QStringLiteral("date")), Qt::ISODate)
                               : QFileInfo(path).lastModified().date();
    ReviewSource source{0, database, arguments.value(QStringLiteral("interface")),
                        arguments.value(QStringLiteral("strategy")), searched, 0};
    if (!store.addSource(review->id, source, result.records))
        return failed(store.error());
    writeStderrLine(ReviewMessages::imported(result.records.size(), database));
    return 0;
}

int dedup(ReviewStore &store, const Review &review, bool dryRun)
{
    const auto found = ReviewDeduplication::run(store, review.id, who(), dryRun);
    if (!found)
        return failed(store.error());
    QString out;
    for (const ReviewDuplicates::Merge &m : found->merges)
        out += QStringLiteral("merged\t%1\t%2\t%3\n").arg(m.merged).arg(m.kept).arg(m.rule);
    for (const ReviewDuplicates::Pair &p : found->uncertain)
        out += QStringLiteral("uncertain\t%1\t%2\t%3\n").arg(p.first).arg(p.second).arg(p.rule);
    writeStdout(out.toUtf8());
    writeStderrLine(ReviewMessages::deduplicated(found->merges.size(), found->uncertain.size()));
    return finishStdout() ? 0 : 1;
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    const QStringList words = arguments.positional();
    const auto action = std::find_if(std::cbegin(kActions), std::cend(kActions),
                                     [&](const Action &a) { return words.constFirst() == QLatin1String(a.name); });
    if (action == std::cend(kActions))
        return command.usageError(QStringLiteral("unknown action \"%1\"").arg(words.constFirst()));
    if (words.size() != action->words)
        return command.usageError(QStringLiteral("%1 takes %2").arg(QLatin1String(action->name), QLatin1String(action->takes)));
    const QLatin1String name(action->name);
    const QString format = arguments.value(QStringLiteral("format"));
    const QStringList formats = name == QLatin1String("prisma") ? QStringList{QStringLiteral("svg"), QStringLiteral("csv"), QStringLiteral("markdown")}
                                                                : QStringList{QStringLiteral("ris"), QStringLiteral("bibtex"), QStringLiteral("csv")};
    if ((name == QLatin1String("prisma") || name == QLatin1String("export")) && !formats.contains(format))
        return command.usageError(QStringLiteral("%1 takes --format %2").arg(name, formats.join(u'|')));
    const auto selection = ReviewReport::selectionNamed(arguments.value(QStringLiteral("stage")));
    if (!selection)
        return command.usageError(QStringLiteral("--stage takes %1").arg(ReviewReport::selectionNames().join(u'|')));
    if (name == QLatin1String("import") && arguments.value(QStringLiteral("source")).trimmed().isEmpty()
        && !words.at(2).endsWith(u'.' + QLatin1String(ReviewFile::kSuffix)))
        return command.usageError(QStringLiteral("import takes --source DATABASE"));
    // A date that does not parse would leave the search's date blank in the documentation of the searches.
    if (arguments.isSet(QStringLiteral("date"))
        && !QDate::fromString(arguments.value(QStringLiteral("date")), Qt::ISODate).isValid())
        return command.usageError(QStringLiteral("--date takes YYYY-MM-DD"));

    LibraryStore library(LibraryStore::defaultPath());
    if (const std::optional<int> status = openCliLibrary(library))
        return *status;
    ReviewStore store(library);
    if (name == QLatin1String("list"))
        return list(store);
    if (name == QLatin1String("import"))
        return import(store, words.at(1), words.at(2), arguments);
    const std::optional<Review> review = store.review(words.at(1));
    if (!review)
        return failed(store.error());
    if (name == QLatin1String("dedup"))
        return dedup(store, *review, arguments.isSet(QStringLiteral("dry-run")));
    if (name == QLatin1String("share")) {
        const std::optional<QByteArray> file = ReviewFile::write(store, *review);
        if (!file)
            return failed(store.error());
        writeStdout(*file);
        return finishStdout() ? 0 : 1;
    }
    const std::optional<ReviewReport> report = ReviewReport::read(store, *review);
    if (!report)
        return failed(store.error());
    if (name == QLatin1String("show")) {
        const QStringList screeners = store.screeners(review->id, ScreeningStage::TitleAbstract).value_or(QStringList());
        if (screeners.size() >= 2) {
            const ScreenerAgreement agreement = ScreenerAgreement::between(
                store.decisions(review->id, ScreeningStage::TitleAbstract, screeners.at(0)).value_or(QHash<qint64, ScreeningDecision>()),
                store.decisions(review->id, ScreeningStage::TitleAbstract, screeners.at(1)).value_or(QHash<qint64, ScreeningDecision>()));
            if (agreement.kappa)
                writeStdout(withoutControls(ReviewMessages::agreement(screeners.at(0), screeners.at(1), *agreement.kappa,
                                                                      agreement.disagreements.size()))
                                .toUtf8() + '\n');
        }
        return show(*report);
    }
    if (name == QLatin1String("prisma")) {
        writeStdout(format == QLatin1String("csv") ? report->counts().csv()
                    : format == QLatin1String("svg") ? PrismaLayout::of(report->counts()).svg()
                                                     : report->searchDocumentation().toUtf8());
        return finishStdout() ? 0 : 1;
    }
    const QList<Reference> references = report->references(report->selected(*selection));
    writeStdout(format == QLatin1String("ris")      ? RisWriter::write(references)
                : format == QLatin1String("bibtex") ? BibtexWriter::write(references)
                                                    : CsvWriter::write(references));
    return finishStdout() ? 0 : 1;
}

} // namespace

CliCommand reviewCommand()
{
    return {
        {.name = QStringLiteral("review"),
         .summary = QStringLiteral("Import, deduplicate and export the systematic reviews of your library."),
         .description = QStringLiteral(
             "Works on the reviews the window keeps in your library (~/.local/share/Vexmoor/library.sqlite).\n\n"
             "list prints each review's name and its records (duplicates merged), separated by a tab. show NAME "
             "prints its question, criteria, sources and PRISMA counts. import NAME FILE reads a RIS, MEDLINE "
             "(.nbib), BibTeX or CSV export into the review (made when missing) as one source named by --source; "
             "a file with a fault names its line and imports nothing. dedup NAME merges the sure duplicates "
             "(same PMID, same DOI, or the same title with the same year and first page or first author; never "
             "records whose PMIDs or DOIs differ) and prints one line per merge and per uncertain pair; with "
             "--dry-run it only prints them. prisma NAME writes the PRISMA 2020 flow diagram as SVG, its counts as "
             "CSV, or the documentation of the searches as Markdown. export NAME writes the records of a --stage "
             "with their decisions and reasons in the note. share NAME writes the whole review (sources, records, merges "
             "and every decision) as one file; import NAME FILE.vexmoor-review makes it again as NAME, or, when "
             "NAME exists, takes another screener's decisions from it (Cohen's kappa is then shown by show).\n\n"
             "Exit status 3: the library could not be used."),
         .arguments = {{QStringLiteral("ACTION"),
                        QStringLiteral("list, show NAME, import NAME FILE, dedup NAME, prisma NAME, export NAME or share NAME"), false,
                        true}},
         .options = {{.names = {QStringLiteral("source")}, .valueName = QStringLiteral("DATABASE"),
                      .description = QStringLiteral("The database the imported file came from (Embase, Scopus and so on).")},
                     {.names = {QStringLiteral("date")}, .valueName = QStringLiteral("YYYY-MM-DD"),
                      .description = QStringLiteral("The date the imported search was run; the file's date by default.")},
                     {.names = {QStringLiteral("interface")}, .valueName = QStringLiteral("NAME"),
                      .description = QStringLiteral("The interface the database was searched through (Ovid, say).")},
                     {.names = {QStringLiteral("strategy")}, .valueName = QStringLiteral("TEXT"),
                      .description = QStringLiteral("The search strategy as run, for the documentation of the searches.")},
                     {.names = {QStringLiteral("dry-run")},
                      .description = QStringLiteral("Print what dedup would merge without merging.")},
                     {.names = {QStringLiteral("format")}, .valueName = QStringLiteral("FORMAT"),
                      .description = QStringLiteral("prisma: svg, csv or markdown; export: ris, bibtex or csv."),
                      .choices = {QStringLiteral("svg"), QStringLiteral("csv"), QStringLiteral("markdown"),
                                  QStringLiteral("ris"), QStringLiteral("bibtex")},
                      .defaultValue = QStringLiteral("csv")},
                     {.names = {QStringLiteral("stage")}, .valueName = QStringLiteral("STAGE"),
                      .description = QStringLiteral("The records export writes: all, included (at the full text), "
                                                    "full-text (on from title and abstract), excluded or undecided."),
                      .choices = ReviewReport::selectionNames(),
                      .defaultValue = QStringLiteral("included")}},
         .examples = {{QStringLiteral("review import Delirium embase.ris --source Embase --date 2026-01-05"),
                       QStringLiteral("Add an Embase export to the review Delirium.")},
                      {QStringLiteral("review dedup Delirium --dry-run"),
                       QStringLiteral("Show the duplicates that would be merged.")},
                      {QStringLiteral("review prisma Delirium --format svg > prisma.svg"),
                       QStringLiteral("Write the flow diagram.")},
                      {QStringLiteral("review export Delirium --stage included --format ris > included.ris"),
                       QStringLiteral("Write the included records with their decisions.")}}},
        run};
}
