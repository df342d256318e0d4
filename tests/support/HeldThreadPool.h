#pragma once

#include <QSemaphore>
#include <QThreadPool>

// Keeps every thread of the process's pool busy until released (at the
// latest when this goes): work handed to the pool meanwhile waits, and a
// result that arrives anyway was worked out on the caller's thread.
class HeldThreadPool
{
public:
    HeldThreadPool()
    {
        for (int i = 0; i < m_threads; ++i)
            QThreadPool::globalInstance()->start([this] { m_gate.acquire(); });
    }
    ~HeldThreadPool() { m_gate.release(m_threads); }
    HeldThreadPool(const HeldThreadPool &) = delete;
    HeldThreadPool &operator=(const HeldThreadPool &) = delete;

private:
    const int m_threads = QThreadPool::globalInstance()->maxThreadCount();
    QSemaphore m_gate;
};
