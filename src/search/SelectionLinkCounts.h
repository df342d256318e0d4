#pragma once

#include "entrez/EutilsTransfer.h"
#include "search/SearchSession.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// How many articles cite one article, how many it references, how many are
// similar to it.
struct ArticleLinkCounts
{
    qsizetype citedBy = 0;
    qsizetype references = 0;
    qsizetype similar = 0;
};

// The link counts of the one selected article: asked with one ELink request
// (no link name: every PubMed-to-PubMed link set at once) once the selection
// has rested, never for a selection that only passes by; a request still
// running when the selection moves on is cancelled. Answers are kept per
// PMID for as long as this lives; an answer is read off the window's
// thread. A failed request is only logged: the counts are an extra, never an
// error the user has to dismiss.
class SelectionLinkCounts : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRestMs = 300;

    explicit SelectionLinkCounts(const SessionSettings &settings, QObject *parent = nullptr);

    // The article now selected alone; empty for none. Counts already known
    // are not asked again: countsOf() has them.
    void select(const QString &pmid);
    std::optional<ArticleLinkCounts> countsOf(const QString &pmid) const;

signals:
    // The counts of the selected article arrived.
    void countsKnown(const QString &pmid, const ArticleLinkCounts &counts);

private:
    void ask();
    void onAnswer();
    void logFailure(const QString &pmid, const QString &reason) const;

    SessionSettings m_settings;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    QTimer m_rest;
    QString m_selected;
    QString m_asked;
    QHash<QString, ArticleLinkCounts> m_known;
};
