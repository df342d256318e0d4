#pragma once

#include "library/LibraryStore.h"

#include <QObject>

#include <atomic>
#include <thread>

// Reads every page of a library file on a thread of its own, at the lowest
// priority of the processor and the disk, so that a large library is checked
// while the window is already in use. Destroying it stops the check.
class LibraryCheck : public QObject
{
    Q_OBJECT

public:
    explicit LibraryCheck(QObject *parent = nullptr);
    ~LibraryCheck() override;

    // Once at most.
    void start(const QString &path);

signals:
    // On the thread of this object.
    void finished(const LibraryStore::Check &check);

private:
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};
