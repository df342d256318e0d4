#include "MedlineWriter.h"

#include "export/CitationStyle.h"
#include "export/ExportText.h"

namespace {
const QString kIndent(6, u' ');

// "20170502" from "2017-05-02"; empty unless the date is whole.
QString medlineDayStamp(const QString &isoDate)
{
    QString stamp = isoDate;
    stamp.remove(QLatin1Char('-'));
    return stamp.size() == 8 ? stamp : QString();
}

// "Last, ForeName Suffix" and "Last Initials Suffix", each part there is.
QString joinedName(const QString &last, const QString &separator, const QString &given, const QString &suffix)
{
    QString name = singleLine(last);
    if (!singleLine(given).isEmpty())
        name += separator + singleLine(given);
    if (!singleLine(suffix).isEmpty())
        name += QLatin1Char(' ') + singleLine(suffix);
    return name;
}
// The abstract with the "UNLABELLED" label NCBI writes and the views leave out.
QString medlineAbstract(const Reference &r)
{
    static const QString kUnlabelled = QStringLiteral("UNLABELLED");
    QStringList paragraphs = r.abstract.split(QLatin1String("\n\n"));
    if (!r.abstractLabels.contains(kUnlabelled) || paragraphs.size() != r.abstractLabels.size())
        return r.abstract;
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (r.abstractLabels[i] == kUnlabelled)
            paragraphs[i].prepend(kUnlabelled + QLatin1String(": "));
    }
    return paragraphs.join(QLatin1Char(' '));
}
} // namespace

QString MedlineWriter::field(const QString &tag, const QString &value)
{
    const QString text = singleLine(value);
    if (text.isEmpty())
        return {};
    QString out = tag.leftJustified(4, u' ') + QLatin1String("- ");
    QString line;
    for (const QString &word : text.split(u' ')) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > kTextWidth) {
            // NCBI keeps the space after a line of exactly one character less
            // than the width.
            out += line + (line.size() == kTextWidth - 1 ? QLatin1String(" \n") : QLatin1String("\n")) + kIndent;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out + line + QLatin1Char('\n');
}

QString MedlineWriter::record(const Reference &r)
{
    QString out;
    const auto add = [&out](const char *tag, const QString &value) { out += field(QLatin1String(tag), value); };
    const auto addEach = [&add](const char *tag, const QStringList &values) {
        for (const QString &value : values)
            add(tag, value);
    };
    // The tag that starts a record, so it stands even when there is no PMID.
    out += field(QStringLiteral("PMID"), r.pmid);
    if (out.isEmpty())
        out = QStringLiteral("PMID- \n");
    addEach("IS", r.issn);
    add("VI", r.volume);
    add("IP", r.issue);
    add("DP", r.medlineDate());
    add("TI", r.title);
    add("PG", r.pages);
    addEach("LID", r.elocationIds);
    add("AB", medlineAbstract(r));
    for (const ReferenceAuthor &author : r.authors) {
        if (author.collective) {
            add("CN", author.last);
            continue;
        }
        add("FAU", joinedName(author.last, QStringLiteral(", "), author.foreName, author.suffix));
        add("AU", joinedName(author.last, QStringLiteral(" "), author.initials, author.suffix));
    }
    addEach("LA", r.language);
    addEach("PT", r.publicationTypes);
    add("TT", r.vernacularTitle);
    add("DEP", medlineDayStamp(r.epubDate));
    add("TA", r.journalAbbreviation);
    add("JT", r.containerTitle);
    if (r.kind != Reference::Kind::JournalArticle)
        add("PB", r.publisher);
    addEach("MH", r.mesh);
    add("PMC", r.pmcid);
    addEach("OT", r.keywords);
    addEach("AID", r.articleIds);
    add("SO", CitationStyles::nlmSource(r));
    return out + QLatin1Char('\n');
}

QByteArray MedlineWriter::write(const QList<Reference> &references)
{
    QString text;
    for (const Reference &reference : references)
        text += record(reference);
    return text.toUtf8();
}
