#pragma once

#include <QString>

// Why an E-utilities exchange gave nothing usable, for the messages of the
// window and the command line that report it.
namespace EntrezMessages {
inline QString notALinkSet()
{
    return QStringLiteral("the answer is not a link set");
}
inline QString notASearchResult()
{
    return QStringLiteral("the answer is not a search result");
}
inline QString notACount()
{
    return QStringLiteral("the answer holds no count");
}
inline QString notAMeshSummary()
{
    return QStringLiteral("the answer is not a summary of MeSH headings");
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
