#include "CsvWriter.h"

#include "common/SystemLog.h"
#include "export/CitationStyle.h"
#include "export/ExportText.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
QStringList row(const Reference &r)
{
    QStringList authors;
    for (const ReferenceAuthor &author : r.authors) {
        QString name = singleLine(author.last);
        for (const QString &part : {author.initials, author.suffix}) {
            if (!author.collective && !singleLine(part).isEmpty())
                name += QLatin1Char(' ') + singleLine(part);
        }
        authors << name;
    }
    return {singleLine(r.pmid),
            singleLine(r.title),
            authors.join(QLatin1String(", ")),
            CitationStyles::nlmSource(r),
            singleLine(r.journalAbbreviation.isEmpty() ? r.containerTitle : r.journalAbbreviation),
            r.year(),
            singleLine(r.volume),
            singleLine(r.issue),
            singleLine(r.pages),
            singleLine(r.doi),
            singleLine(r.pmcid),
            r.retracted ? QStringLiteral("Yes") : QString(),
            r.abstract.trimmed()};
}

QString line(const QStringList &fields)
{
    QStringList out;
    for (const QString &field : fields)
        out << CsvWriter::quoted(field);
    return out.join(QLatin1Char(',')) + QLatin1String("\r\n");
}
} // namespace

QStringList CsvWriter::header()
{
    return {QStringLiteral("PMID"),   QStringLiteral("Title"),  QStringLiteral("Authors"),  QStringLiteral("Citation"),
            QStringLiteral("Journal"), QStringLiteral("Year"),   QStringLiteral("Volume"),   QStringLiteral("Issue"),
            QStringLiteral("Pages"),   QStringLiteral("DOI"),    QStringLiteral("PMCID"),    QStringLiteral("Retracted"),
            QStringLiteral("Abstract")};
}

namespace {
QString inert(const QString &field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+(\\.\\d+)?$"));
    if (field.isEmpty() || !formulaStarts.contains(field.front()) || number.match(field).hasMatch())
        return field;
    return QLatin1Char('\'') + field;
}
} // namespace

QString CsvWriter::quoted(const QString &field)
{
    static const QString special = QStringLiteral(",\"\r\n");
    // A cell printed on a terminal must not drive it.
    QString out = inert(controlsEscaped(field));
    bool needsQuotes = false;
    for (const QChar c : out)
        needsQuotes = needsQuotes || special.contains(c);
    if (!needsQuotes)
        return out;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray CsvWriter::write(const QList<Reference> &references)
{
    // Only the articles of a link set or a list say how they were found, and
    // only counted ones how often they are cited, their RCR and percentile,
    // each in a column of its own at the end.
    const bool foundAs = std::any_of(references.cbegin(), references.cend(),
                                     [](const Reference &reference) { return !reference.foundAs.isEmpty(); });
    const bool citedBy = std::any_of(references.cbegin(), references.cend(),
                                     [](const Reference &reference) { return reference.citedBy.has_value(); });
    // Notes, kept in the library, come last; line breaks inside one are kept.
    const bool notes = std::any_of(references.cbegin(), references.cend(),
                                   [](const Reference &reference) { return !reference.note.isEmpty(); });
    QStringList extraHeader;
    if (foundAs)
        extraHeader << QStringLiteral("Found as");
    if (citedBy)
        extraHeader << QStringLiteral("Cited by") << QStringLiteral("RCR") << QStringLiteral("NIH percentile");
    if (notes)
        extraHeader << QStringLiteral("Note");
    QString text = line(header() + extraHeader);
    for (const Reference &reference : references) {
        QStringList extra;
        if (foundAs)
            extra << singleLine(reference.foundAs);
        if (citedBy)
            extra << reference.citedBy.value_or(QString()) << reference.rcr.value_or(QString())
                  << reference.nihPercentile.value_or(QString());
        if (notes)
            extra << reference.note;
        text += line(row(reference) + extra);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
