#pragma once

#include <QString>

// Why an E-utilities exchange gave nothing usable, for the messages of the
// window and the command line that report it.
namespace EntrezMessages {
inline QString notALinkSet()
{
    return QStringLiteral("the answer is not a link set");
}
inline QString transferNotStarted()
{
    return QStringLiteral("the transfer could not be started");
}
inline QString answerNotUtf8()
{
    return QStringLiteral("the answer is not valid UTF-8");
}
} // namespace EntrezMessages
