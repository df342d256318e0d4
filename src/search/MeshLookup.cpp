#include "search/MeshLookup.h"

#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/SearchResultParser.h"
#include "search/QueryBuilder.h"

MeshLookup::MeshLookup(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_search(m_manager)
    , m_detail(m_manager)
{
    for (Channel *channel : {&m_search, &m_detail}) {
        channel->transfer.setLimits(m_settings.limits);
        channel->transfer.setRetryPolicy(m_settings.retries);
        connect(&channel->transfer, &EutilsTransfer::finished, this,
                [channel] {
                    // The continuation may send the channel's next request.
                    const Continuation then = std::move(channel->then);
                    then(channel->transfer.takeBody());
                });
        connect(&channel->transfer, &EutilsTransfer::failed, this, [this](const QString &reason) {
            emit failed(withoutApiKey(reason, m_settings.identity()));
        });
    }
}

void MeshLookup::send(Channel &channel, const EutilsRequest &request, Continuation then)
{
    channel.transfer.cancel();
    channel.then = std::move(then);
    ++m_requests;
    channel.transfer.start(request);
}

void MeshLookup::learn(Channel &channel, const QStringList &uids, std::function<void()> then)
{
    QStringList wanted;
    for (const QString &uid : uids) {
        if (!m_headings.contains(uid) && !m_missing.contains(uid))
            wanted.append(uid);
    }
    if (wanted.isEmpty()) {
        then();
        return;
    }
    send(channel, meshSummaryRequest(m_settings.endpoints, wanted, m_settings.identity()),
         [this, wanted, then = std::move(then)](const QByteArray &body) {
             const std::optional<MeshSummaryAnswer> answer = meshSummaryFromResponse(body);
             if (!answer || (answer->headings.isEmpty() && !answer->error.isEmpty())) {
                 emit failed(answer ? answer->error : EntrezMessages::notAMeshSummary());
                 return;
             }
             for (const MeshHeading &heading : answer->headings)
                 m_headings.insert(heading.uid, heading);
             for (const QString &uid : wanted) {
                 if (!m_headings.contains(uid))
                     m_missing.insert(uid);
             }
             then();
         });
}

void MeshLookup::find(const QString &words)
{
    const QString key = words.simplified().toLower();
    m_search.transfer.cancel();
    if (m_found.contains(key)) {
        emitFound(key);
        return;
    }
    const QString term = prepareQueryTerm(key);
    if (term.isEmpty())
        return;
    send(m_search, meshSearchRequest(m_settings.endpoints, term, kMostHeadings, m_settings.identity()),
         [this, key](const QByteArray &body) {
             const std::optional<SearchResult> answer = searchResultFromResponse(body);
             if (!answer) {
                 emit failed(EntrezMessages::notASearchResult());
                 return;
             }
             learn(m_search, answer->PMIDs, [this, key, uids = answer->PMIDs] {
                 m_found.insert(key, uids);
                 emitFound(key);
             });
         });
}

void MeshLookup::emitFound(const QString &key)
{
    emit found(key, headingsOf(m_found.value(key)));
}

QList<MeshHeading> MeshLookup::headingsOf(const QStringList &uids) const
{
    QList<MeshHeading> headings;
    for (const QString &uid : uids) {
        if (const auto known = m_headings.constFind(uid); known != m_headings.cend())
            headings.append(*known);
    }
    return headings;
}

void MeshLookup::describe(const QString &uid)
{
    m_detail.transfer.cancel();
    // The heading first when it is new: its neighbours come with it.
    learn(m_detail, {uid}, [this, uid] {
        const std::optional<MeshHeading> known = heading(uid);
        if (!known)
            return;
        learn(m_detail, known->neighbours() + known->mappedTo, [this, uid] { describeKnown(uid); });
    });
}

void MeshLookup::describeKnown(const QString &uid)
{
    emit described(uid);
    if (const std::optional<qint64> count = articleCount(uid)) {
        emit counted(uid, *count);
        return;
    }
    const QString term = prepareQueryTerm(articlesQuery(m_headings.value(uid)));
    send(m_detail, countRequest(m_settings.endpoints, term, m_settings.identity()), [this, uid](const QByteArray &body) {
        const std::optional<qint64> count = countFromResponse(body);
        if (!count) {
            emit failed(EntrezMessages::notACount());
            return;
        }
        m_counts.insert(uid, *count);
        emit counted(uid, *count);
    });
}

std::optional<MeshHeading> MeshLookup::heading(const QString &uid) const
{
    const auto known = m_headings.constFind(uid);
    return known == m_headings.cend() ? std::nullopt : std::optional<MeshHeading>(*known);
}

std::optional<qint64> MeshLookup::articleCount(const QString &uid) const
{
    const auto known = m_counts.constFind(uid);
    return known == m_counts.cend() ? std::nullopt : std::optional<qint64>(*known);
}

QString MeshLookup::articlesQuery(const MeshHeading &heading)
{
    // A supplementary concept is searched as one.
    if (heading.isSupplementary())
        return QLatin1Char('"') + QString(heading.name).remove(QLatin1Char('"')) + QLatin1String("\"[nm]");
    return QueryBuilder::meshClause(heading.name, QueryBuilder::MeshTag::Heading);
}
