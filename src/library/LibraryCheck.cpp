#include "library/LibraryCheck.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// The calling thread reads only when the disk has nothing else to do, and
// runs only when the processor has nothing else to do.
void yieldToEverythingElse()
{
#ifdef Q_OS_LINUX
    // linux/ioprio.h: IOPRIO_WHO_PROCESS (a thread id, 0 for the caller), IOPRIO_CLASS_IDLE.
    constexpr int kWhoThread = 1;
    constexpr int kIdleClass = 3 << 13;
    syscall(SYS_ioprio_set, kWhoThread, 0, kIdleClass);
    setpriority(PRIO_PROCESS, 0, 19); // the calling thread alone, on Linux
#endif
}

} // namespace

LibraryCheck::LibraryCheck(QObject *parent) : QObject(parent) {}

LibraryCheck::~LibraryCheck()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void LibraryCheck::start(const QString &path)
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this, path] {
        yieldToEverythingElse();
        const LibraryStore::Check check = LibraryStore::checkFile(path, &m_stop);
        // Dropped when this object goes first.
        QMetaObject::invokeMethod(this, [this, check] { emit finished(check); }, Qt::QueuedConnection);
    });
}
