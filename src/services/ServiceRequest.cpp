#include "services/ServiceRequest.h"

EutilsRequest serviceRequest(const QUrl &url)
{
    EutilsRequest request;
    request.url = url;
    request.servicePace = kServiceRequestsPerSecond;
    return request;
}

QList<EutilsRequest> serviceRequestsForIds(const QString &lead, const QStringList &ids, const QString &tail, int maxIds)
{
    QList<EutilsRequest> requests;
    QString joined;
    int count = 0;
    const auto flush = [&] {
        if (count > 0)
            requests.append(serviceRequest(QUrl(lead + joined + tail)));
        joined.clear();
        count = 0;
    };
    for (const QString &id : ids) {
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(id, "/"));
        if (count == maxIds || (count > 0 && lead.size() + joined.size() + 1 + encoded.size() + tail.size() > kMaxServiceGetUrlLength))
            flush();
        joined += (count > 0 ? QStringLiteral(",") : QString()) + encoded;
        ++count;
    }
    flush();
    return requests;
}
