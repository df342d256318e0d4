#pragma once

#include <QHash>
#include <QString>

#include <optional>

// What is known of how often an article is cited, from whichever source was
// asked; anything unknown is none, never 0.
struct CitationMetrics
{
    std::optional<qsizetype> citedBy;
    std::optional<qsizetype> references;
    // iCite's Relative Citation Ratio (field-normalised; 1.0 is the median of
    // NIH-funded articles) and its percentile among them. PubMed Central has
    // neither, and iCite has none for the newest articles.
    std::optional<double> rcr;
    std::optional<double> nihPercentile;
};

// By PMID.
using CitationMetricsMap = QHash<QString, CitationMetrics>;

// How the window and the exports write the figures: "2.18", "77.1".
inline QString rcrText(double rcr)
{
    return QString::number(rcr, 'f', 2);
}
inline QString percentileText(double percentile)
{
    return QString::number(percentile, 'f', 1);
}
