#include "CliCommands.h"

#include "citations/Citation.h"
#include "citations/HtmlWriter.h"
#include "citations/RtfWriter.h"
#include "common/Endpoints.h"
#include "entrez/ArticleExtractor.h"

namespace {

enum class CiteFormat { Plain, Rtf, Html };

struct CiteArguments
{
    QString path;
    CiteFormat format = CiteFormat::Plain;
};

std::optional<CiteArguments> parseCiteArguments(const QStringList &args)
{
    CiteArguments parsed;
    bool havePath = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--format")) {
            if (++i == args.size()) {
                writeStderrLine(QStringLiteral("vexmoor-cli cite: --format needs plain, rtf or html"));
                return std::nullopt;
            }
            const QString &name = args.at(i);
            if (name == QLatin1String("plain"))
                parsed.format = CiteFormat::Plain;
            else if (name == QLatin1String("rtf"))
                parsed.format = CiteFormat::Rtf;
            else if (name == QLatin1String("html"))
                parsed.format = CiteFormat::Html;
            else {
                writeStderrLine(QStringLiteral("vexmoor-cli cite: unknown format \"%1\" (plain, rtf or html)").arg(name));
                return std::nullopt;
            }
        } else if (!havePath && (arg == QLatin1String("-") || !arg.startsWith(u'-'))) {
            parsed.path = arg;
            havePath = true;
        } else {
            writeStderrLine(QStringLiteral("vexmoor-cli cite: unexpected argument \"%1\"").arg(arg));
            return std::nullopt;
        }
    }
    if (!havePath) {
        writeStderrLine(QStringLiteral("Usage: vexmoor-cli cite FILE [--format plain|rtf|html]"));
        return std::nullopt;
    }
    return parsed;
}

} // namespace

// Plain: each record's citation followed by a blank line. RTF and HTML: the
// export text of all the records, as a copy of every row would give it.
int runCiteCommand(const QStringList &args)
{
    const std::optional<CiteArguments> parsed = parseCiteArguments(args);
    if (!parsed)
        return 2;
    std::optional<QByteArray> bytes = readCliInput(parsed->path);
    if (!bytes)
        return 1;

    const Endpoints endpoints;
    ArticleList articles;
    if (appendArticlesFromBytes(std::move(*bytes), articles, elinkBaseUrl(endpoints)) < 0) {
        writeStderrLine(QStringLiteral("vexmoor-cli: %1 is not valid UTF-8").arg(parsed->path));
        return 1;
    }

    switch (parsed->format) {
    case CiteFormat::Plain: {
        QString out;
        for (const ArticleRecord &article : std::as_const(articles))
            out += citationStringForArticle(article) + QLatin1String("\n\n");
        writeStdout(out.toUtf8());
        break;
    }
    case CiteFormat::Rtf:
        writeStdout(RtfWriter::write(exportTextForArticles(articles, endpoints)));
        break;
    case CiteFormat::Html:
        writeStdout(HtmlWriter::write(exportTextForArticles(articles, endpoints)).toUtf8());
        break;
    }
    return 0;
}
