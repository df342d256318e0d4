#pragma once

#include "library/FullTextRow.h"

#include <QFileInfo>
#include <QString>

#include <optional>
#include <utility>

// Where kept full texts live: a folder "fulltext" beside the library file,
// readable by its owner only, one file per PMID and kind ("123.json" for a
// text, "123.pdf").
namespace FullTextFiles {
QString folder(const QString &libraryPath);
QString fileName(qint64 pmid, FullTextKind kind);
QString path(const QString &libraryPath, qint64 pmid, FullTextKind kind);
// The PMID and kind a file of the folder is named for; none for other names.
std::optional<std::pair<qint64, FullTextKind>> named(const QString &fileName);
// A file being written, under a temporary name that says which process
// writes it (".123.pdf.<pid>.<uuid>.partial").
QString partialName(qint64 pmid, FullTextKind kind);
// A temporary file whose writer is gone (killed midway), or older than
// kAbandonedAfterSeconds, left by a crash whose process id was reused.
bool isAbandoned(const QFileInfo &file);
inline constexpr int kAbandonedAfterSeconds = 60 * 60;
QString kindName(FullTextKind kind);
std::optional<FullTextKind> kindNamed(const QString &name);
} // namespace FullTextFiles
