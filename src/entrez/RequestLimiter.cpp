#include "entrez/RequestLimiter.h"

#include "entrez/SharedPace.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

RequestLimiter::RequestLimiter(Clock clock, int windowMs, QObject *parent, Scope scope)
    : QObject(parent)
    , m_clock(clock ? std::move(clock) : Clock(&RequestLimiter::steadyNowMs))
    , m_windowMs(windowMs)
    , m_scope(scope)
{
}

RequestLimiter::~RequestLimiter() = default;

RequestLimiter &RequestLimiter::shared()
{
    static RequestLimiter limiter({}, 1000, nullptr, Scope::User);
    return limiter;
}

RequestLimiter &RequestLimiter::forHost(const QString &host)
{
    // Never destroyed: requests may still release their places while the process ends.
    static auto *limiters = new std::map<QString, std::unique_ptr<RequestLimiter>>;
    std::unique_ptr<RequestLimiter> &limiter = (*limiters)[host.toLower()];
    if (!limiter)
        limiter = std::make_unique<RequestLimiter>(Clock(), 1000, nullptr, Scope::User);
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
    m_places.push_back({ticket, -1, {}});
    return ticket;
}

qint64 RequestLimiter::tryAcquire(int perWindow, const QString &peer, Ticket &ticket)
{
    if (const qint64 delay = delayMs(perWindow); delay > 0)
        return delay;
    if (m_scope == Scope::User) {
        if (const qint64 delay = sharedPace(peer).take(perWindow, m_nextTicket); delay > 0)
            return delay;
    }
    ticket = acquire();
    if (m_scope == Scope::User)
        m_places.back().peer = peer;
    return 0;
}

SharedPace &RequestLimiter::sharedPace(const QString &peer)
{
    std::unique_ptr<SharedPace> &pace = m_sharedPaces[peer];
    if (!pace)
        pace = std::make_unique<SharedPace>(peer, m_windowMs);
    return *pace;
}

void RequestLimiter::free(Ticket ticket, qint64 freeAt)
{
    for (Place &place : m_places) {
        if (place.ticket == ticket && place.freeAt < 0) {
            place.freeAt = freeAt;
            if (!place.peer.isEmpty())
                sharedPace(place.peer).free(ticket, freeAt);
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
