#include "MedlineWriter.h"

#include "export/CitationStyle.h"
#include "export/ExportText.h"

namespace {
const QString kIndent(6, u' ');

QString medlineDate(const Reference &r)
{
    const QString date = singleLine(r.date);
    if (date != r.year() || r.monthNumber() == 0)
        return date;
    return date + QLatin1Char(' ') + monthAbbreviation(r.monthNumber());
}
} // namespace

QString MedlineWriter::field(const QString &tag, const QString &value)
{
    const QString text = singleLine(value);
    if (text.isEmpty())
        return {};
    QString out = tag.leftJustified(4, u' ') + QLatin1String("- ");
    qsizetype lineLength = out.size();
    bool lineHasWord = false;
    for (const QString &word : text.split(u' ')) {
        if (lineHasWord && lineLength + 1 + word.size() > kLineWidth) {
            out += QLatin1Char('\n') + kIndent;
            lineLength = kIndent.size();
            lineHasWord = false;
        }
        if (lineHasWord) {
            out += QLatin1Char(' ');
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
        lineHasWord = true;
    }
    return out + QLatin1Char('\n');
}

QString MedlineWriter::record(const Reference &r)
{
    QString out;
    const auto add = [&out](const char *tag, const QString &value) { out += field(QLatin1String(tag), value); };
    // The tag that starts a record, so it stands even when there is no PMID.
    out += field(QStringLiteral("PMID"), r.pmid);
    if (out.isEmpty())
        out = QStringLiteral("PMID- \n");
    add("TI", r.title);
    add("AB", r.abstract);
    for (const ReferenceAuthor &author : r.authors) {
        if (author.collective) {
            add("CN", author.last);
            continue;
        }
        const QString last = singleLine(author.last);
        const QString initials = singleLine(author.initials);
        const QString foreName = singleLine(author.foreName);
        add("FAU", foreName.isEmpty() ? last : last + QLatin1String(", ") + foreName);
        add("AU", initials.isEmpty() ? last : last + QLatin1Char(' ') + initials);
    }
    add("LA", r.language);
    for (const QString &type : r.publicationTypes)
        add("PT", type);
    add("DP", medlineDate(r));
    add("TA", r.journalAbbreviation);
    add("JT", r.containerTitle);
    add("VI", r.volume);
    add("IP", r.issue);
    add("PG", r.pages);
    const QString doi = singleLine(r.doi);
    if (!doi.isEmpty()) {
        add("LID", doi + QLatin1String(" [doi]"));
        add("AID", doi + QLatin1String(" [doi]"));
    }
    add("IS", r.issn);
    if (r.kind != Reference::Kind::JournalArticle)
        add("PB", r.publisher);
    for (const QString &heading : r.mesh)
        add("MH", heading);
    for (const QString &keyword : r.keywords)
        add("OT", keyword);
    add("PMC", r.pmcid);
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
