#pragma once

// What every bench shares: reading its few options and measuring a run's best
// time and peak memory.

#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <variant>

// "--name VALUE" read into an int, a 64-bit count or text; "--name" alone
// sets a flag.
struct BenchOption
{
    const char *name;
    std::variant<int *, qint64 *, QString *, bool *> target;
};

// Reads the arguments into the options; on any other argument prints
// "usage: " and `usage` to standard error and returns false.
bool readBenchArguments(const QStringList &args, std::initializer_list<BenchOption> options, const char *usage);

struct Measure
{
    double seconds = 1e30;
    size_t peakBytes = 0;
};

// Runs `prepare` (untimed, its allocation counted in the peak) then `work`
// (timed) `runs` times; keeps the best time and the highest peak. The peak is
// the highest resident size during a run (VmHWM, reset before each run) minus
// the resident size before `prepare`.
Measure measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work);

// Drops the file's pages from the system's cache, so that the next read of
// it comes from the disk as after a reboot. False when it could not.
bool dropFromPageCache(const QString &path);
