#include "entrez/RequestLimiter.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

RequestLimiter::RequestLimiter(Clock clock, int windowMs, QObject *parent)
    : QObject(parent)
    , m_clock(clock ? std::move(clock) : Clock(&RequestLimiter::steadyNowMs))
    , m_windowMs(windowMs)
{
}

RequestLimiter &RequestLimiter::shared()
{
    static RequestLimiter limiter;
    return limiter;
}

RequestLimiter &RequestLimiter::forHost(const QString &host)
{
    // Never destroyed: requests may still release their places while the process ends.
    static auto *limiters = new std::map<QString, std::unique_ptr<RequestLimiter>>;
    std::unique_ptr<RequestLimiter> &limiter = (*limiters)[host.toLower()];
    if (!limiter)
        limiter = std::make_unique<RequestLimiter>();
    return *limiter;
}

qint64 RequestLimiter::steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RequestLimiter::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&RequestLimiter::steadyNowMs);
}

void RequestLimiter::forget(qint64 now)
{
    m_places.remove_if([now](const Place &place) { return place.freeAt >= 0 && place.freeAt <= now; });
}

qint64 RequestLimiter::delayMs(int perWindow)
{
    const qint64 now = m_clock();
    forget(now);
    const int limit = std::max(perWindow, 1);
    if (qsizetype(m_places.size()) < limit)
        return 0;
    // Enough places must free for one more request: the (size - limit + 1)-th
    // earliest freeing among those that have a time.
    QList<qint64> times;
    for (const Place &place : m_places) {
        if (place.freeAt >= 0)
            times.append(place.freeAt);
    }
    const qsizetype needed = qsizetype(m_places.size()) - limit + 1;
    if (times.size() < needed)
        return m_windowMs;
    std::sort(times.begin(), times.end());
    return times.at(needed - 1) - now;
}

RequestLimiter::Ticket RequestLimiter::acquire()
{
    const Ticket ticket = m_nextTicket++;
    m_places.push_back({ticket, -1});
    return ticket;
}

void RequestLimiter::free(Ticket ticket, qint64 freeAt)
{
    for (Place &place : m_places) {
        if (place.ticket == ticket && place.freeAt < 0) {
            place.freeAt = freeAt;
            emit released();
            return;
        }
    }
}

void RequestLimiter::release(Ticket ticket)
{
    free(ticket, m_clock() + m_windowMs);
}

void RequestLimiter::abandon(Ticket ticket)
{
    free(ticket, m_clock() + 2 * qint64(m_windowMs));
}
