#include "entrez/Reachability.h"

#include "common/Endpoints.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace {

// Asking for a route to `address` sends nothing: connect() on a UDP socket only
// looks the route up and fixes the peer.
bool hasRoute(const addrinfo &address)
{
    const int fd = ::socket(address.ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool routed = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    ::close(fd);
    return routed;
}

bool passes(const std::optional<uint32_t> &flags)
{
    using namespace ReachabilityFlags;
    return flags && (*flags & (Reachable | ConnectionRequired)) == Reachable;
}

} // namespace

std::optional<uint32_t> SystemReachability::flagsForHost(const QString &host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    // A port is needed for connect(); which one does not matter for the route.
    const int status = ::getaddrinfo(host.toUtf8().constData(), "80", &hints, &found);
    if (status == EAI_NONAME || status == EAI_NODATA || status == EAI_ADDRFAMILY)
        return 0u; // the name does not exist: checked, and not reachable
    if (status != 0)
        return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    for (const addrinfo *address = found; address; address = address->ai_next) {
        if (hasRoute(*address))
            return ReachabilityFlags::Reachable;
    }
    return 0u;
}

bool internetOnline(Reachability &reachability)
{
    return passes(reachability.flagsForHost(QLatin1String(ProbeHosts::First)))
        || passes(reachability.flagsForHost(QLatin1String(ProbeHosts::Second)));
}
