#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The two forms a kept full text takes: the article's text as read from PMC,
// or a PDF. An article keeps at most one of each.
enum class FullTextKind { Text, Pdf };

// A kept full text as the library records it; its file is
// FullTextFiles::path(libraryPath, pmid, kind).
struct FullTextRow
{
    qint64 pmid = 0;
    FullTextKind kind = FullTextKind::Text;
    QString source = {};  // "PMC", "Unpaywall"
    QString address = {}; // where it was fetched from
    QString licence = {};
    QString version = {}; // publishedVersion, acceptedVersion, ...
    qint64 size = 0;
    QString checksum = {}; // SHA-256 of the file, hexadecimal
    QDateTime fetched = {};
};

// A passage of a kept full text that matches an offline search: the words
// found are between kHitStart and kHitEnd (characters no stored text holds).
struct FullTextHit
{
    qint64 pmid = 0;
    QString snippet = {};
    static constexpr QChar kHitStart = QChar(0x02);
    static constexpr QChar kHitEnd = QChar(0x03);
};
