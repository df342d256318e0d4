#include "CsvWriter.h"

#include "export/CitationStyle.h"
#include "export/ExportText.h"

namespace {
QStringList row(const Reference &r)
{
    QStringList authors;
    for (const ReferenceAuthor &author : r.authors) {
        const QString initials = singleLine(author.initials);
        authors << (author.collective || initials.isEmpty() ? singleLine(author.last)
                                                            : singleLine(author.last) + QLatin1Char(' ') + initials);
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

QString CsvWriter::quoted(const QString &field)
{
    static const QString special = QStringLiteral(",\"\r\n");
    bool needsQuotes = false;
    for (const QChar c : field)
        needsQuotes = needsQuotes || special.contains(c);
    if (!needsQuotes)
        return field;
    QString out = field;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray CsvWriter::write(const QList<Reference> &references)
{
    QString text = line(header());
    for (const Reference &reference : references)
        text += line(row(reference));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
