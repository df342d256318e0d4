#include "ExportFile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

std::optional<QString> cancelled(QSaveFile &file, const QString &reason)
{
    file.cancelWriting();
    return reason;
}

// Some file systems report a full disk only when the data reaches it, and
// QSaveFile ignores what its own sync says.
std::optional<QString> syncFailure(QSaveFile &file)
{
    if (::fsync(file.handle()) == 0 || errno == EINVAL || errno == EROFS)
        return std::nullopt;
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes, FileAccess access)
{
    return writeFileAtomically(path, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); }, access);
}

std::optional<QString> writeFileAtomically(const QString &path, const std::function<bool(QIODevice &)> &write,
                                           FileAccess access)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // The temporary file takes the place of the target, with these permissions
    // (not those of a file it replaces).
    if (access == FileAccess::OwnerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return cancelled(file, file.errorString());
    // A short write is only buffered, and when the flush inside commit() then
    // fails (a full disk) Qt does not notice and puts the short temporary file
    // in place of the user's: every byte must be on its way before the commit.
    if (!write(file) || !file.flush())
        return cancelled(file, file.errorString());
    if (const std::optional<QString> reason = syncFailure(file))
        return cancelled(file, *reason);
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
