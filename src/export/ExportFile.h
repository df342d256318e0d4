#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

// Writes `bytes` to `path` whole or not at all: they go to a temporary file
// beside it, which replaces the file only once everything is written, so a
// failed write never leaves half a file or spoils the one already there.
// Returns the reason on failure. Every file a user names is written here,
// readable by its owner only by default: exports hold the user's queries and
// notes, as the library and its back-ups do.
enum class FileAccess { OwnerOnly, Everyone };
std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes,
                                           FileAccess access = FileAccess::OwnerOnly);
// The same for a file written piece by piece: `write` writes it all to the
// device it is given and returns false when something failed (the device's
// error then says what, if it was the one that failed).
std::optional<QString> writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                           FileAccess access = FileAccess::OwnerOnly);
