#pragma once

#include <QObject>

#include <QString>

#include <functional>
#include <list>
#include <map>
#include <memory>

class SharedPace;

// Paces the requests of the whole process to the E-utilities: at most N
// requests within any window of `windowMs` (N is 3 or 10 per second, given by
// each request). A request occupies its place in the window from the moment
// it is sent until `windowMs` after its answer ended: the service counts a
// request when it arrives, which is somewhere between the two, so measuring
// from the end keeps the service's count within the limit whatever the
// network's delays. A request cancelled in flight may still arrive later, so
// it keeps its place as if it ended a whole window after the cancel.
//
// The limiters of the process (shared(), forHost()) keep the pace with the
// user's other Vexmoor processes as well (SharedPace): a window, vexmoor-cli
// run by cron and a second command together stay within the limit of each
// service.
class RequestLimiter : public QObject
{
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;
    enum class Scope { Process, User };

    explicit RequestLimiter(Clock clock = {}, int windowMs = 1000, QObject *parent = nullptr, Scope scope = Scope::Process);
    ~RequestLimiter() override;

    // The limiter every E-utilities request of the process goes through.
    static RequestLimiter &shared();
    // The limiter of every request of the process to another service's
    // `host`: each host keeps its own pace, apart from the E-utilities'.
    static RequestLimiter &forHost(const QString &host);
    static qint64 steadyNowMs();

    void setClock(Clock clock);
    int windowMs() const { return m_windowMs; }

    // How long a request must wait before it may be sent at a limit of
    // `perWindow` requests: 0 when it may go now. While the limit is taken by
    // requests still in flight, it says to look again after a window; the
    // limiter also emits released() when one of them ends.
    qint64 delayMs(int perWindow);

    using Ticket = quint64;
    // Takes a place for a request being sent now.
    Ticket acquire();
    // Takes a place for a request to `peer` (host and port) being sent now,
    // as `ticket`, when the limit allows one (with Scope::User, counting the
    // places of the user's other processes at `peer` too): 0. Otherwise
    // nothing is taken and it says how long to wait, as delayMs() does.
    qint64 tryAcquire(int perWindow, const QString &peer, Ticket &ticket);
    // The request's answer has ended (or failed): its place frees a window later.
    void release(Ticket ticket);
    // The request was given up in flight.
    void abandon(Ticket ticket);

signals:
    void released();

private:
    struct Place
    {
        Ticket ticket;
        qint64 freeAt; // when the place leaves the window; -1 while in flight
        QString peer;  // with Scope::User: where its place in the shared pace is
    };
    void forget(qint64 now);
    void free(Ticket ticket, qint64 freeAt);
    SharedPace &sharedPace(const QString &peer);

    Clock m_clock;
    int m_windowMs;
    Scope m_scope;
    std::list<Place> m_places;
    Ticket m_nextTicket = 1;
    std::map<QString, std::unique_ptr<SharedPace>> m_sharedPaces;
};
