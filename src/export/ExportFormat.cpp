#include "ExportFormat.h"

#include "entrez/ArticleRecord.h"
#include "export/BibtexWriter.h"
#include "export/CsvWriter.h"
#include "export/MedlineWriter.h"
#include "export/RisWriter.h"

#include <QFileInfo>

QList<ExportFormat> ExportFormats::all()
{
    return {ExportFormat::Ris, ExportFormat::Bibtex, ExportFormat::Medline, ExportFormat::Csv};
}

QString ExportFormats::name(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Ris:
        break;
    case ExportFormat::Bibtex:
        return QStringLiteral("bibtex");
    case ExportFormat::Medline:
        return QStringLiteral("medline");
    case ExportFormat::Csv:
        return QStringLiteral("csv");
    }
    return QStringLiteral("ris");
}

std::optional<ExportFormat> ExportFormats::named(const QString &name)
{
    for (const ExportFormat format : all()) {
        if (name.compare(ExportFormats::name(format), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

QStringList ExportFormats::names()
{
    QStringList list;
    for (const ExportFormat format : all())
        list.append(name(format));
    return list;
}

QString ExportFormats::extension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Ris:
        break;
    case ExportFormat::Bibtex:
        return QStringLiteral("bib");
    case ExportFormat::Medline:
        return QStringLiteral("nbib");
    case ExportFormat::Csv:
        return QStringLiteral("csv");
    }
    return QStringLiteral("ris");
}

std::optional<ExportFormat> ExportFormats::forFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    for (const ExportFormat format : all()) {
        if (suffix.compare(extension(format), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

QStringList ExportFormats::fileDialogFilters()
{
    return {QStringLiteral("RIS (*.ris)"), QStringLiteral("BibTeX (*.bib)"), QStringLiteral("MEDLINE (*.nbib)"),
            QStringLiteral("CSV (*.csv)")};
}

QByteArray ExportFormats::write(ExportFormat format, const QList<Reference> &references)
{
    switch (format) {
    case ExportFormat::Ris:
        break;
    case ExportFormat::Bibtex:
        return BibtexWriter::write(references);
    case ExportFormat::Medline:
        return MedlineWriter::write(references);
    case ExportFormat::Csv:
        return CsvWriter::write(references);
    }
    return RisWriter::write(references);
}

QByteArray ExportFormats::write(ExportFormat format, const QList<ArticleRecord> &articles, const QStringList &foundAs,
                                const CitationMetricsMap *metrics, const QStringList &notes)
{
    QList<Reference> references;
    references.reserve(articles.size());
    for (qsizetype i = 0; i < articles.size(); ++i) {
        Reference &reference = references.emplace_back(referenceForArticle(articles.at(i)));
        reference.foundAs = foundAs.value(i);
        if (metrics) {
            const CitationMetrics known = metrics->value(reference.pmid);
            reference.citedBy = known.citedBy ? QString::number(*known.citedBy) : QString();
            reference.rcr = known.rcr ? rcrText(*known.rcr) : QString();
            reference.nihPercentile = known.nihPercentile ? percentileText(*known.nihPercentile) : QString();
        }
        reference.note = notes.value(i);
    }
    return write(format, references);
}
