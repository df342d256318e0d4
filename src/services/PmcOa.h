#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"

#include <QByteArray>
#include <QUrl>

// The PMC OA web service's record of one article.
EutilsRequest pmcOaRequest(const Endpoints &endpoints, const QString &pmcid);

// What the OA service says of an article: in the open-access subset or not
// (`error` then says why, as the service words it), its licence ("none"
// when it has no machine-readable one), and its PDF when PMC has one. The
// service names its files on NCBI's FTP server; they are fetched over https
// from the same server (Endpoints::ncbiFtp), and a link elsewhere is ignored.
struct PmcOaRecord
{
    QString pmcid = {};
    QString licence = {};
    bool retracted = false;
    QUrl pdf = {};
    QString error = {};

    bool isOpenAccess() const { return error.isEmpty(); }
};
PmcOaRecord pmcOaAnswerFrom(const QByteArray &body, const Endpoints &endpoints = {});
