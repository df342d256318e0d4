#pragma once

#include "common/Endpoints.h"

#include <QString>
#include <QUrl>

#include <cstdint>

// The query as typed, made ready for the request: surrounding white space and
// line breaks trimmed, then percent-encoded as a URL query value (UTF-8, every
// character outside the unreserved set), so that &, =, +, # and % are searched
// for as typed. An empty result means that there is nothing to search for.
QString prepareQueryTerm(const QString &fieldText);

