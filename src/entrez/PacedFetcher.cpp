#include "entrez/PacedFetcher.h"

#include <QEventLoop>

PacedFetcher::PacedFetcher()
    : m_transfer(m_manager)
{
    QObject::connect(&m_transfer, &EutilsTransfer::retryScheduled, [this](int seconds) {
        if (m_retryScheduled)
            m_retryScheduled(seconds);
    });
    QObject::connect(&m_transfer, &EutilsTransfer::retrying, [this] {
        if (m_retrying)
            m_retrying();
    });
}

PacedFetchResult PacedFetcher::fetch(const EutilsRequest &request)
{
    PacedFetchResult result;
    if (!m_transfer.start(request)) {
        result.error = QStringLiteral("another request is under way");
        return result;
    }
    bool ended = false;
    bool changed = false;
    QEventLoop loop;
    QObject::connect(&m_transfer, &EutilsTransfer::finished, &loop, [&] {
        result.body = m_transfer.takeBody();
        result.httpStatus = m_transfer.httpStatus();
        ended = true;
    });
    QObject::connect(&m_transfer, &EutilsTransfer::failed, &loop, [&](const QString &reason, const QUrl &, int status) {
        result.error = reason;
        result.httpStatus = status;
        ended = true;
    });
    // The flags of a running loop cannot change: a new loop runs after every
    // change of state, with user input only while the request waits.
    QObject::connect(&m_transfer, &EutilsTransfer::stateChanged, &loop, [&] {
        changed = true;
        loop.quit();
    });
    while (m_transfer.isRunning()) {
        changed = false;
        loop.exec(m_transfer.isWaiting() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (!changed) {
            // Something else ended every loop: the application is quitting.
            m_transfer.cancel();
            break;
        }
    }
    result.canceled = !ended;
    return result;
}

void PacedFetcher::cancel()
{
    m_transfer.cancel();
}
