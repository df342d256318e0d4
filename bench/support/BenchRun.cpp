#include "BenchRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A field of /proc/self/status ("VmRSS:", "VmHWM:"), in bytes.
size_t statusBytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0)
            return size_t(std::stoull(line.substr(n + 1))) * 1024;
    }
    return 0;
}

} // namespace

bool readBenchArguments(const QStringList &args, std::initializer_list<BenchOption> options, const char *usage)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const BenchOption &each) { return args[i] == QLatin1String(each.name); });
        bool known = option != options.end();
        if (known) {
            if (bool *const *flag = std::get_if<bool *>(&option->target))
                **flag = true;
            else if (i + 1 >= args.size())
                known = false;
            else if (int *const *number = std::get_if<int *>(&option->target))
                **number = args[++i].toInt();
            else if (qint64 *const *count = std::get_if<qint64 *>(&option->target))
                **count = args[++i].toLongLong();
            else
                *std::get<QString *>(option->target) = args[++i];
        }
        if (!known) {
            std::fprintf(stderr, "usage: %s\n", usage);
            return false;
        }
    }
    return true;
}

Measure measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    Measure m;
    for (int i = 0; i < runs; ++i) {
        const size_t before = statusBytes("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5";
        prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        const size_t peak = statusBytes("VmHWM:");
        m.seconds = std::min(m.seconds, elapsed.count());
        m.peakBytes = std::max(m.peakBytes, peak > before ? peak - before : 0);
    }
    return m;
}

bool dropFromPageCache(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool dropped = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return dropped;
}
