#include "citations/PlainWriter.h"
#include "cli/CliCommands.h"

#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "cli/CliMessages.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"
#include "export/CitationStyle.h"

#include <numeric>

namespace {
QStringList citationStyleNames()
{
    QStringList names;
    for (const CitationStyle style : CitationStyles::all())
        names.append(CitationStyles::name(style).toLower());
    return names;
}

// Plain: each record's citation followed by a blank line. RTF and HTML: the
// export text of all the records, as a copy of every row would give it.
int run(const CliCommand &, const CliParsedArguments &arguments)
{
    const QString path = arguments.positional().constFirst();
    std::optional<QByteArray> bytes = readCliInput(path);
    if (!bytes)
        return 1;

    const Endpoints endpoints;
    ArticleList articles;
    if (appendArticlesFromBytes(std::move(*bytes), articles, elinkBaseUrl(endpoints)) < 0) {
        writeStderrLine(CliMessages::notUtf8(path));
        return 1;
    }

    const CitationStyle style = CitationStyles::named(arguments.value(QStringLiteral("style"))).value_or(CitationStyle::Vexmoor);
    const QString format = arguments.value(QStringLiteral("format"));
    if (format == QLatin1String("rtf") || format == QLatin1String("html")) {
        QList<qsizetype> rows(articles.size());
        std::iota(rows.begin(), rows.end(), 0);
        const RichText text = CitationStyles::exportTextInStyle(style, articles, rows, endpoints);
        writeStdout(format == QLatin1String("rtf") ? RtfWriter::write(text) : HtmlWriter::write(text).toUtf8());
    } else {
        QString out;
        for (const ArticleRecord &article : std::as_const(articles))
            out += withoutControls(PlainWriter::write(CitationStyles::citationForArticle(style, article))) + QLatin1String("\n\n");
        writeStdout(out.toUtf8());
    }
    return 0;
}

} // namespace

CliCommand citeCommand()
{
    return {
        {.name = QStringLiteral("cite"),
         .summary = QStringLiteral("Print the citations of the articles of a saved EFetch answer."),
         .description = QStringLiteral(
             "Reads a saved EFetch answer and prints the citation of each article, as the window shows and "
             "copies it in the chosen citation style. Plain text gives each citation followed by a blank line; RTF and HTML give one "
             "document with every citation, whose titles and DOIs are links, as a copy of every row of the "
             "window's table would."),
         .arguments = {kSavedAnswerArgument},
         .options = {{.names = {QStringLiteral("format")},
                      .valueName = QStringLiteral("FORMAT"),
                      .description = QStringLiteral("The form of the citations."),
                      .choices = {QStringLiteral("plain"), QStringLiteral("rtf"), QStringLiteral("html")},
                      .defaultValue = QStringLiteral("plain")},
                     {.names = {QStringLiteral("style")},
                      .valueName = QStringLiteral("STYLE"),
                      .description =
                          QStringLiteral("The citation style: vexmoor (the application's own), nlm (as PubMed "
                                         "gives it), ama (11th edition), apa (7th edition) or mla (9th edition)."),
                      .choices = citationStyleNames(),
                      .defaultValue = QStringLiteral("vexmoor")}},
         .examples = {{QStringLiteral("cite efetch-answer.xml --format rtf > citations.rtf"),
                       QStringLiteral("Write the citations as an RTF document with clickable titles and DOIs.")}}},
        run};
}
