#include "NetworkFaults.h"

#include <QTest>

QList<NetworkFault> networkFaults()
{
    using Delivery = FakeResponse::Delivery;
    const QByteArray body(20000, 'x');
    return {
        {"connection refused", true, {}, false, {}},
        {"no answer", false, FakeResponse::withDelivery(Delivery::Silent), true, QStringLiteral("no answer within")},
        {"reset mid-body", false, FakeResponse::withDelivery(Delivery::ResetMidBody, body), false, {}},
        {"429 JSON", false, FakeResponse::tooManyRequests(), false, QStringLiteral("HTTP 429 Too Many Requests")},
        {"500 HTML", false, FakeResponse::serverError(500), false, QStringLiteral("HTTP 500 Internal Server Error")},
        {"503 HTML", false, FakeResponse::serverError(503), false, QStringLiteral("HTTP 503 Service Unavailable")},
        {"cut short", false, FakeResponse::withDelivery(Delivery::CutShort, body), false, {}},
        {"short of its length", false, FakeResponse::withDelivery(Delivery::ShortOfItsLength, body), false,
         QStringLiteral("the answer ended after 10000 of its 20000 bytes")},
        {"redirect loop", false, FakeResponse::redirect(QString()), false, {}},
        {"huge Content-Length", false, FakeResponse::withDelivery(Delivery::HugeAnnounced), false,
         QStringLiteral("announces 629145600 bytes")},
    };
}

void addNetworkFaultRows()
{
    QTest::addColumn<int>("fault");
    const QList<NetworkFault> faults = networkFaults();
    for (int i = 0; i < faults.size(); ++i)
        QTest::newRow(faults[i].name) << i;
}

NetworkFault currentNetworkFault()
{
    QFETCH(int, fault);
    return networkFaults().at(fault);
}

void arrangeFault(FakeEutilsServer &server, const QString &path, const NetworkFault &fault)
{
    if (fault.refused) {
        server.refuseConnections();
        return;
    }
    const FakeResponse response = fault.response;
    server.setHandler(path, [response](const QUrl &url) {
        // A redirect points back at the request itself: a loop.
        return response.status == 302 ? FakeResponse::redirect(url.toString()) : response;
    });
}

void checkFailureReason(const NetworkFault &fault, const QString &reason)
{
    QVERIFY2(!reason.isEmpty(), "a failure must say why");
    if (!fault.timesOut)
        QVERIFY2(!reason.contains(QLatin1String("no answer within")), qPrintable(reason));
    if (!fault.reasonHolds.isEmpty())
        QVERIFY2(reason.contains(fault.reasonHolds), qPrintable(reason));
}
