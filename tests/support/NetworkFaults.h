#pragma once

#include "FakeEutilsServer.h"

#include <QList>
#include <QString>

// The ways a network or a server lets a request down, as the fake server
// plays them.
struct NetworkFault
{
    const char *name;
    bool refused = false;       // nothing listens any more
    FakeResponse response;      // otherwise: every request of the path gets this
    bool timesOut = false;      // the request can end only by the client's timeout
    QString reasonHolds;        // text the failure's reason must hold; empty: any reason
};

// Connection refused, no answer, reset mid-body, 429 with the service's JSON,
// 500 and 503 with HTML, a body cut short by a close, a body that ends
// cleanly short of its Content-Length, a redirect loop and an answer that
// announces more than any answer may have.
QList<NetworkFault> networkFaults();

// Data rows of a test function, one per fault (column "fault"), and the
// fault of the current row.
void addNetworkFaultRows();
NetworkFault currentNetworkFault();

// Makes `server` commit `fault` on every request of `path` from now on.
void arrangeFault(FakeEutilsServer &server, const QString &path, const NetworkFault &fault);

// Checks a failure's reason against the fault: said at all, the fault's own
// words where it has them, and never a timeout for a fault that should fail
// at once.
void checkFailureReason(const NetworkFault &fault, const QString &reason);
