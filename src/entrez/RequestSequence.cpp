#include "entrez/RequestSequence.h"

#include "entrez/EntrezMessages.h"

RequestSequence::RequestSequence(QObject *parent)
    : QObject(parent)
    , m_transfer(m_manager)
{
    connect(&m_transfer, &EutilsTransfer::retryScheduled, this, &RequestSequence::retryScheduled);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) { fail(reason); });
    connect(&m_transfer, &EutilsTransfer::finished, this, [this] {
        const QString refused = m_take(m_transfer.takeBody());
        if (!m_running)
            return; // take() cancelled it
        if (!refused.isEmpty()) {
            fail(refused);
            return;
        }
        ++m_next;
        next();
    });
}

bool RequestSequence::start(QList<EutilsRequest> requests, Take take)
{
    if (m_running)
        return false;
    m_requests = std::move(requests);
    m_take = std::move(take);
    m_next = 0;
    m_running = true;
    // Through the event loop, so that the caller hears the end after start() returns.
    QMetaObject::invokeMethod(this, &RequestSequence::next, Qt::QueuedConnection);
    return true;
}

void RequestSequence::cancel()
{
    m_running = false;
    m_transfer.cancel();
}

void RequestSequence::next()
{
    if (!m_running)
        return;
    if (m_next >= m_requests.size()) {
        m_running = false;
        emit finished();
        return;
    }
    if (!m_transfer.start(m_requests.at(m_next)))
        fail(EntrezMessages::transferNotStarted());
}

void RequestSequence::fail(const QString &reason)
{
    m_running = false;
    m_transfer.cancel();
    emit failed(reason);
}
