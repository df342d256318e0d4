#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "fulltext/FullTextDocument.h"

#include <QByteArray>

// BioC's text of the open-access article `pmcid`, in JSON and Unicode.
EutilsRequest biocRequest(const Endpoints &endpoints, const QString &pmcid);

// A BioC answer read into a document: its title and authors from the front
// passage, each passage in its part by its section type, headings, figure
// and table captions (not the tables' cells), and the reference list with
// the PMIDs and DOIs it names. BioC is served in two shapes (a current one
// and an older cached one without "bioctype" and with numeric ids); both are
// read. The reason when the body is no BioC answer or holds no document.
struct BiocAnswer
{
    FullTextDocument document = {};
    QString error = {};
};
BiocAnswer biocAnswerFrom(const QByteArray &body);
