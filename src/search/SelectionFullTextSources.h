#pragma once

#include "fulltext/FullTextFetch.h"
#include "search/SearchSession.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

// Where the full text of the one selected article can be read (PMC, an
// open-access PDF, each LinkOut provider, the publisher), looked up without
// fetching anything once the selection has rested, as the link counts are;
// a lookup still running when the selection moves on is cancelled. Answers
// are kept per PMID for as long as this lives, so an article is asked once.
// A failed lookup is kept by no one: the next selection of it asks again.
class SelectionFullTextSources : public QObject
{
    Q_OBJECT

public:
    explicit SelectionFullTextSources(const SessionSettings &settings, QObject *parent = nullptr);
    ~SelectionFullTextSources() override;

    // The article now selected alone; an empty PMID for none.
    void select(const FullTextArticle &article);
    std::optional<QList<FullTextSource>> sourcesOf(const QString &pmid) const;
    // Whether a lookup of the article has answered with a free source.
    bool hasFreeSource(const QString &pmid) const;

signals:
    void sourcesKnown(const QString &pmid, const QList<FullTextSource> &sources);

private:
    void ask();
    void stop();

    SessionSettings m_settings;
    QTimer m_rest;
    FullTextArticle m_selected;
    QPointer<FullTextFetch> m_lookup;
    QHash<QString, QList<FullTextSource>> m_known;
};
