#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

// Unpaywall's record of `doi`; it requires a contact address.
EutilsRequest unpaywallRequest(const Endpoints &endpoints, const QString &doi, const QString &email);

// Where Unpaywall says an open-access copy is.
struct UnpaywallLocation
{
    QUrl landingPage = {};
    QUrl pdf = {}; // http or https; empty when Unpaywall knows no PDF address
    QString licence = {};
    QString version = {};  // publishedVersion, acceptedVersion, submittedVersion
    QString hostType = {}; // publisher or repository
};

// An Unpaywall answer read: its best open-access location, none for a closed
// article; the reason when the body is not Unpaywall's. A DOI Unpaywall does
// not know is answered with HTTP 404, a failure of the request.
struct UnpaywallAnswer
{
    QString oaStatus = {}; // gold, green, hybrid, bronze, closed
    std::optional<UnpaywallLocation> best = {};
    QString error = {};
};
UnpaywallAnswer unpaywallAnswerFrom(const QByteArray &body);
