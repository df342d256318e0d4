#include "entrez/BlockingFetcher.h"

#include <QEventLoop>

FetchResult BlockingFetcher::get(const QUrl &url)
{
    FetchResult result;
    HttpTransfer transfer(m_manager);
    transfer.setLimits(m_limits);
    QEventLoop loop;
    QObject::connect(&transfer, &HttpTransfer::finished, &loop, [&] {
        result.body = transfer.takeBody();
        result.httpStatus = transfer.httpStatus();
        loop.quit();
    });
    QObject::connect(&transfer, &HttpTransfer::failed, &loop, [&](const QString &reason, const QUrl &, int status) {
        result.error = reason;
        result.httpStatus = status;
        loop.quit();
    });
    transfer.start(url);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return result;
}
