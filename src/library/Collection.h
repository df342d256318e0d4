#pragma once

#include <QDateTime>
#include <QString>

// A named set of articles in the library.
struct Collection
{
    qint64 id = 0;
    QString name;
    QDateTime created;
    QDateTime lastUsed;
    qint64 size = 0; // articles it holds
};
