#pragma once

#include <QString>

// What vexmoor-cli's own commands say about how they were called.
namespace CliMessages {
inline QString blankQuery()
{
    return QStringLiteral("the query is blank");
}
inline QString unexpectedArgument(const QString &argument)
{
    return QStringLiteral("unexpected argument \"%1\"").arg(argument);
}
inline QString notUtf8(const QString &path)
{
    return QStringLiteral("vexmoor-cli: %1 is not valid UTF-8").arg(path);
}
} // namespace CliMessages
