#include "entrez/SharedPace.h"

#include "entrez/RequestLimiter.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Place
{
    qint64 pid;
    quint64 ticket;
    qint64 sentAt;
    qint64 freeAt; // -1 while in flight
};

// More than any pace lets in flight at once; a longer file is not ours.
constexpr size_t kMaxPlaces = 256;
// A request in flight longer than this has been given up, whatever its process says.
constexpr qint64 kLongestFlightMs = 10 * 60 * 1000;

bool processIsGone(qint64 pid)
{
    return pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH);
}

// The file, open and locked for as long as this lives.
class LockedFile
{
public:
    explicit LockedFile(const QString &path)
        : m_fd(path.isEmpty() ? -1 : ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~LockedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd); // and the lock goes with it
    }
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // The places still in the window at `now`, each checked.
    std::vector<Place> read(qint64 now, qint64 windowMs) const
    {
        std::vector<Place> places(kMaxPlaces);
        const ssize_t bytes = ::pread(m_fd, places.data(), places.size() * sizeof(Place), 0);
        places.resize(bytes > 0 ? size_t(bytes) / sizeof(Place) : 0);
        std::erase_if(places, [&](const Place &p) {
            if (p.freeAt >= 0)
                return p.freeAt <= now || p.freeAt > now + 2 * windowMs;
            return p.sentAt > now || now - p.sentAt > kLongestFlightMs || processIsGone(p.pid);
        });
        return places;
    }

    void write(const std::vector<Place> &places) const
    {
        const size_t bytes = places.size() * sizeof(Place);
        if (::pwrite(m_fd, places.data(), bytes, 0) == ssize_t(bytes))
            static_cast<void>(::ftruncate(m_fd, off_t(bytes)));
    }

private:
    int m_fd;
};

} // namespace

SharedPace::SharedPace(const QString &peer, qint64 windowMs)
    : m_windowMs(windowMs)
{
    QString name = peer;
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-')
            c = u'_';
    }
    // Ours alone, or not used: a folder someone else made (in /tmp, say)
    // must not decide this user's pace.
    const QByteArray path = QFile::encodeName(folder());
    struct stat made{};
    if ((::mkdir(path.constData(), 0700) == 0 || errno == EEXIST) && ::lstat(path.constData(), &made) == 0
        && S_ISDIR(made.st_mode) && made.st_uid == ::getuid() && (made.st_mode & 077) == 0)
        m_path = folder() + u'/' + name;
}

QString SharedPace::folder()
{
    // Kept for a session only: the user's runtime folder, else the temporary one.
    const QString base = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") ? QDir::tempPath()
                                                                        : qEnvironmentVariable("XDG_RUNTIME_DIR");
    return base + QStringLiteral("/vexmoor-pace-%1").arg(::getuid());
}

qint64 SharedPace::take(int perWindow, quint64 ticket)
{
    const LockedFile file(m_path);
    if (!file.isOpen())
        return 0;
    const qint64 now = RequestLimiter::steadyNowMs();
    std::vector<Place> places = file.read(now, m_windowMs);
    const size_t limit = size_t(std::max(perWindow, 1));
    if (places.size() < limit) {
        places.push_back({qint64(::getpid()), ticket, now, -1});
        file.write(places);
        return 0;
    }
    file.write(places);
    // As the limiter of a process: the (size - limit + 1)-th earliest freeing.
    std::vector<qint64> times;
    for (const Place &place : places) {
        if (place.freeAt >= 0)
            times.push_back(place.freeAt);
    }
    const size_t needed = places.size() - limit + 1;
    if (times.size() < needed)
        return m_windowMs;
    std::sort(times.begin(), times.end());
    return std::max<qint64>(times[needed - 1] - now, 1);
}

void SharedPace::free(quint64 ticket, qint64 freeAt)
{
    const LockedFile file(m_path);
    if (!file.isOpen())
        return;
    const qint64 pid = ::getpid();
    std::vector<Place> places = file.read(RequestLimiter::steadyNowMs(), m_windowMs);
    for (Place &place : places) {
        if (place.pid == pid && place.ticket == ticket)
            place.freeAt = freeAt;
    }
    file.write(places);
}
