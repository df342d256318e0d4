#pragma once

#include <QString>

#include <functional>

// The plain text of the full text the library keeps for a PMID, shown at the
// full-text screening stage; empty when none is kept. The library's full-text
// store supplies it; until it is given, no record has a full text here.
using KeptTextSource = std::function<QString(qint64 pmid)>;

inline KeptTextSource noFullText()
{
    return [](qint64) { return QString(); };
}
