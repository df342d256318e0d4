#pragma once

#include <QString>

// The places in the pace of one service that every Vexmoor process of the
// user holds (the window, vexmoor-cli from cron, a second window), kept in a
// small file per service in a folder of the user's own for the session
// ($XDG_RUNTIME_DIR, else the temporary folder) and changed only under a
// lock: what RequestLimiter does within a process, across processes.
//
// A place is a request sent and not yet a window past its end, as the
// limiter counts it, marked with its process and ticket. The file is read
// as untrusted: places of a process that is gone, places whose times cannot
// be (from before a restart), and anything past a bounded size are dropped.
// Times are the system-wide monotonic clock's. When the file cannot be used,
// each process keeps its own pace only.
class SharedPace
{
public:
    // The pace of the service at `peer` (its host and port), in windows of `windowMs`.
    SharedPace(const QString &peer, qint64 windowMs);

    // 0 when fewer than `perWindow` places are taken, then the one for
    // `ticket` is taken; else how long to wait before asking again.
    qint64 take(int perWindow, quint64 ticket);
    // The place of `ticket` leaves the window at `freeAt`.
    void free(quint64 ticket, qint64 freeAt);

    // The folder the files are kept in.
    static QString folder();

private:
    QString m_path; // empty when the folder cannot be made
    qint64 m_windowMs;
};
