#pragma once

#include "fulltext/FullTextDocument.h"
#include "library/FullTextRow.h"

#include <QByteArray>
#include <QString>

#include <optional>

class LibraryStore;

// A kept full text as others read it: its kind, its file, and for a text its
// parts as plain text.
struct KeptFullText
{
    FullTextRow row = {};
    QString path = {};
    std::optional<FullTextDocument> document = {}; // a text's, read from its file
};

// Keeps full texts with their articles: the file and its row land together
// or not at all. The file is written under a temporary name, owner-only,
// then the row is committed, then the file takes its name; a download
// killed before that leaves a temporary file the store removes later, and no
// row. Killed between the two, the row's file is missing: kept() says so and
// the text can be fetched again.
class FullTextShelf
{
public:
    explicit FullTextShelf(LibraryStore &store)
        : m_store(store)
    {
    }

    // Keeps `bytes` as the article's full text of `row.kind`, filling in
    // size, checksum and date; a text also gets its parts indexed. The
    // article must be in the library.
    bool keep(FullTextRow row, const QByteArray &bytes, const FullTextDocument *text = nullptr);
    bool keepText(FullTextRow row, const FullTextDocument &text) { return keep(std::move(row), text.toJson(), &text); }

    // The kept full text of `pmid` of `kind`, or any (a text before a PDF);
    // none when it has none, or when its file is missing or damaged (error()
    // then says so).
    std::optional<KeptFullText> kept(qint64 pmid, std::optional<FullTextKind> kind = std::nullopt);

    const QString &error() const { return m_error; }

private:
    LibraryStore &m_store;
    QString m_error;
};
