#pragma once

#include "review/ReviewRecord.h"

#include <QByteArray>
#include <QString>

// Reads the exports other databases write into review records: RIS (Embase,
// Ovid, Scopus, Web of Science, CINAHL, Cochrane), MEDLINE as PubMed's .nbib,
// BibTeX and CSV with a header row. A byte-order mark, CR LF or CR line ends
// and fields continued on the next line are read as the databases write them.
// A file that cannot be read whole gives the line at fault and no record:
// nothing is ever half-imported.
namespace ReviewImport {

enum class Format { Ris, Medline, Bibtex, Csv };

struct Result
{
    ReviewRecords records;
    QString error; // empty when the file was read
    int line = 0;  // the line at fault, counted from 1
    bool ok() const { return error.isEmpty(); }
};

// The format from the file's name, else from its first lines; nullopt when neither tells.
std::optional<Format> detect(const QString &fileName, const QByteArray &bytes);
Result read(const QByteArray &bytes, Format format);

} // namespace ReviewImport
