#pragma once

#include "common/CitationMetrics.h"
#include "library/FullTextRow.h"
#include "services/CitationSource.h"

#include <QString>

#include <optional>

// Texts of the main window that are not the search's own.
namespace AppMessages {
inline QString articlesSelected(int count)
{
    return QStringLiteral("%1 articles selected").arg(count);
}
// The more-articles button.
inline QString moreArticles(int count)
{
    return QStringLiteral("get %1 more articles").arg(count);
}
inline const QString VersionCheckTitle = QStringLiteral("Version Check");
inline const QString CurrentVersion = QStringLiteral("You have the current version");
inline const QString UpdatesByPackageManager =
    QStringLiteral("This copy of Vexmoor was installed by a system package: its updates come through your "
                   "system's package manager.");
inline const QString NewVersion = QStringLiteral("There is a new version available\nDownload it now?");
inline QString versionNotChecked(const QString &reason)
{
    return QStringLiteral("The version could not be checked: ") + reason;
}
inline const QString Cancel = QStringLiteral("Cancel");
inline const QString MultipleLinksTitle = QStringLiteral("Multiple Web Links");
inline QString multipleLinks(int count)
{
    return QStringLiteral("Warning: you are about to open %1 links in your browser").arg(count);
}
inline const QString ExportSelectedTitle = QStringLiteral("Export Selected Articles");
inline const QString ExportAllTitle = QStringLiteral("Export All Articles");
inline const QString ExportFailedTitle = QStringLiteral("Export Failed");
inline QString exportFailed(const QString &fileName)
{
    return QStringLiteral("The file “%1” could not be saved.").arg(fileName);
}
// The links under the citation, and the context menu's commands on the selected rows.
inline const QString DoiLink = QStringLiteral("DOI");
inline const QString PubMedLink = QStringLiteral("PubMed");
inline const QString FreeFullTextLink = QStringLiteral("Free full text (PMC)");
inline const QString SimilarArticlesLink = QStringLiteral("Similar articles");
inline const QString FullTextColumnTitle = QStringLiteral("Full text");
inline const QString FullTextKeptMark = QStringLiteral("Kept");
inline const QString FullTextFreeMark = QStringLiteral("Free");
inline const QString FullTextKept = QStringLiteral("Its full text is kept in your library");
inline const QString FullTextFree = QStringLiteral("A free full text is available");
// A passage of a kept full text a library search matched, its words in bold;
// the rest is the text's own and never markup.
inline QString fullTextPassage(const QString &snippet)
{
    if (snippet.isEmpty())
        return {};
    QString html = snippet.toHtmlEscaped();
    html.replace(FullTextHit::kHitStart, QLatin1String("<b>")).replace(FullTextHit::kHitEnd, QLatin1String("</b>"));
    return QStringLiteral("In its full text: ") + html;
}
// A place an article's full text can be read, as the links area lists it.
inline QString fullTextSource(const QString &label, bool free)
{
    return free ? QStringLiteral("%1 (free)").arg(label) : QStringLiteral("%1 (not free)").arg(label);
}
inline QString citedByCount(qsizetype count)
{
    return QStringLiteral("Cited by %1").arg(count);
}
inline QString referencesCount(qsizetype count)
{
    return QStringLiteral("References %1").arg(count);
}
// iCite's figures of the selected article, after its link counts.
inline QString rcrFigures(double rcr, std::optional<double> percentile)
{
    const QString text = QStringLiteral("RCR ") + rcrText(rcr);
    return percentile ? text + QStringLiteral(" (NIH percentile %1)").arg(percentileText(*percentile)) : text;
}
// The tool tips of the result table's figures.
inline QString citedByColumnToolTip(CitationSource source)
{
    return QStringLiteral("How many articles cite each article, from %1. %2")
        .arg(CitationSources::title(source), CitationSources::coverage(source));
}
inline const QString RcrColumnToolTip =
    QStringLiteral("iCite's Relative Citation Ratio: citations per year compared with the articles of the same field; "
                   "1.0 is the median of NIH-funded articles. Blank where iCite has none, as for the newest articles.");
// How a retracted article is marked: before its title in the table, and
// above its abstract.
inline const QString RetractedTitlePrefix = QStringLiteral("RETRACTED: ");
inline const QString RetractedNotice = QStringLiteral("This article has been retracted.");
// The red of warnings (both retraction marks), readable on a light and a dark background.
inline constexpr unsigned WarningRed = 0xd01010;
// The file name the export dialog offers first.
inline const QString ExportFileName = QStringLiteral("pubmed-articles");
} // namespace AppMessages
