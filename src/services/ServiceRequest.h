#pragma once

#include "entrez/EutilsRequest.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// A GET of another service's `url`, paced on that host's own limiter at
// kServiceRequestsPerSecond. It carries no E-utilities identity: the NCBI API
// key is sent to the E-utilities alone.
EutilsRequest serviceRequest(const QUrl &url);

// GETs of `ids`, comma-separated after `lead` ("https://host/path?ids="),
// then `tail` ("&idtype=doi..."): at most `maxIds` a request, and each
// request below kMaxServiceGetUrlLength. Ids are percent-encoded but for "/".
QList<EutilsRequest> serviceRequestsForIds(const QString &lead, const QStringList &ids, const QString &tail, int maxIds);
