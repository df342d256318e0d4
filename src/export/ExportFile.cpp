#include "ExportFile.h"

#include <QSaveFile>

namespace {

std::optional<QString> cancelled(QSaveFile &file)
{
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
}

} // namespace

std::optional<QString> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // A short write is only buffered, and when the flush inside commit() then
    // fails (a full disk) Qt does not notice and puts the short temporary file
    // in place of the user's: every byte must be on its way before the commit.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return cancelled(file);
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
