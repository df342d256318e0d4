#pragma once

#include "common/CitationMetrics.h"
#include "export/Reference.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ArticleRecord;

// The file formats articles are exported in.
enum class ExportFormat { Ris, Bibtex, Medline, Csv };

namespace ExportFormats {
QList<ExportFormat> all();
// "ris", "bibtex", "medline", "csv": the names the command line takes.
QString name(ExportFormat format);
std::optional<ExportFormat> named(const QString &name);
// Every name, in all() order.
QStringList names();
// The file name extension without its dot: "ris", "bib", "nbib", "csv".
QString extension(ExportFormat format);
// The format a file name's extension picks, case-blind; none for another one.
std::optional<ExportFormat> forFileName(const QString &fileName);
// One file-dialog filter per format, "RIS (*.ris)" and so on, in all() order.
QStringList fileDialogFilters();

// The bytes of the file: the same whether the window or the command line asks.
QByteArray write(ExportFormat format, const QList<Reference> &references);
// `foundAs`: how each article was found ("" for a search's), written with
// each; `metrics`: when given, the cited-by counts, RCRs and NIH percentiles
// by PMID, for the formats that have a place for them (last CSV columns);
// `notes`, when given, one note per article ("" for none), written where the
// format has a place for it.
QByteArray write(ExportFormat format, const QList<ArticleRecord> &articles, const QStringList &foundAs = {},
                 const CitationMetricsMap *metrics = nullptr, const QStringList &notes = {});
} // namespace ExportFormats
