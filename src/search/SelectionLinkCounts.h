#pragma once

#include "common/CitationMetrics.h"
#include "entrez/EutilsTransfer.h"
#include "entrez/RequestSequence.h"
#include "search/SearchSession.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// How many articles cite one article, how many it references, how many are
// similar to it; from iCite also its Relative Citation Ratio and percentile.
struct ArticleLinkCounts
{
    qsizetype citedBy = 0;
    qsizetype references = 0;
    qsizetype similar = 0;
    std::optional<double> rcr;
    std::optional<double> nihPercentile;
};

// The link counts of the one selected article, from the session's citation
// source: asked with one ELink request (no link name: every PubMed-to-PubMed
// link set at once) or one iCite request once the selection has rested, never
// for a selection that only passes by; a request still running when the
// selection moves on is cancelled. iCite's figures already at hand (the
// table's) are taken at once without a request. Answers are kept per PMID
// for as long as this lives and the source stays; an ELink answer is read
// off the window's thread. A failed request is only logged: the counts are
// an extra, never an error the user has to dismiss.
class SelectionLinkCounts : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRestMs = 300;
    using Known = std::function<std::optional<CitationMetrics>(const QString &pmid)>;

    explicit SelectionLinkCounts(const SessionSettings &settings, QObject *parent = nullptr);

    // Where iCite's figures of an article may already be.
    void setKnown(Known known) { m_knownMetrics = std::move(known); }
    // The article now selected alone; empty for none. Counts already known
    // are not asked again: countsOf() has them.
    void select(const QString &pmid);
    std::optional<ArticleLinkCounts> countsOf(const QString &pmid) const;

signals:
    // The counts of the selected article arrived.
    void countsKnown(const QString &pmid, const ArticleLinkCounts &counts);

private:
    void ask();
    // iCite's figures at hand kept as the counts of `pmid`; false when there are none.
    bool takeKnown(const QString &pmid);
    void onAnswer();
    void keep(const QString &pmid, const ArticleLinkCounts &counts);
    void logFailure(const QString &pmid, const QString &reason) const;

    SessionSettings m_settings;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    RequestSequence m_icite;
    QTimer m_rest;
    QString m_selected;
    QString m_asked;
    QHash<QString, ArticleLinkCounts> m_known;
    CitationSource m_knownSource;
    Known m_knownMetrics;
};
