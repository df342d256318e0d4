#pragma once

#include "entrez/EutilsTransfer.h"
#include "entrez/MeshHeading.h"
#include "search/SearchSession.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

// The MeSH vocabulary as the MeSH browser reads it: the headings matching a
// word (ESearch of db=mesh, then ESummary of those not known yet), a
// heading's neighbours in the tree (one ESummary of those not known), and
// the number of PubMed articles indexed with it (one count). Everything
// learnt is kept for as long as this lives, so a word or a heading asked
// again costs no request. Requests go through the process's limiter.
class MeshLookup : public QObject
{
    Q_OBJECT

public:
    // The most headings a word brings.
    static constexpr int kMostHeadings = 20;

    explicit MeshLookup(const SessionSettings &settings, QObject *parent = nullptr);

    // Finds the headings matching `words`; found() brings them, at once when
    // the words were asked before. A search still running is given up.
    void find(const QString &words);
    // Learns the heading `uid`, the headings above and below it and its count
    // of articles: described(), then counted(). A description running is given up.
    void describe(const QString &uid);

    std::optional<MeshHeading> heading(const QString &uid) const;
    std::optional<qint64> articleCount(const QString &uid) const;
    // The query that finds the articles indexed with `heading`.
    static QString articlesQuery(const MeshHeading &heading);
    // Requests sent so far.
    int requestCount() const { return m_requests; }

signals:
    void found(const QString &words, const QList<MeshHeading> &headings);
    void described(const QString &uid);
    void counted(const QString &uid, qint64 count);
    // A request failed: the reason, for the user.
    void failed(const QString &reason);

private:
    using Continuation = std::function<void(const QByteArray &body)>;
    struct Channel
    {
        explicit Channel(QNetworkAccessManager &manager) : transfer(manager) {}
        EutilsTransfer transfer;
        Continuation then;
    };
    void send(Channel &channel, const EutilsRequest &request, Continuation then);
    // Summaries of those of `uids` not known yet, then `then`.
    void learn(Channel &channel, const QStringList &uids, std::function<void()> then);
    void emitFound(const QString &words);
    void describeKnown(const QString &uid);
    QList<MeshHeading> headingsOf(const QStringList &uids) const;

    SessionSettings m_settings;
    QNetworkAccessManager m_manager;
    Channel m_search;
    Channel m_detail;
    QHash<QString, MeshHeading> m_headings;
    QSet<QString> m_missing; // asked for, and not in the answer
    QHash<QString, QStringList> m_found; // words -> uids, in the service's order
    QHash<QString, qint64> m_counts;
    int m_requests = 0;
};
