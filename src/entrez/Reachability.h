#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Reachability flags of a host; only these two decide whether we are online.
namespace ReachabilityFlags {
inline constexpr uint32_t Reachable = 1u << 1;
inline constexpr uint32_t ConnectionRequired = 1u << 2;
} // namespace ReachabilityFlags

// Answers whether a host could be reached now, without sending it anything.
class Reachability
{
public:
    virtual ~Reachability() = default;
    // The flags for `host`, or none when the check could not be made.
    virtual std::optional<uint32_t> flagsForHost(const QString &host) = 0;
};

// The operating system's view: the name is resolved, and the host counts as
// reachable when a route exists to one of its addresses (a connected UDP
// socket, which sends nothing). A connection never has to be established first
// here, so ConnectionRequired is never set. Blocks for the name lookup.
class SystemReachability : public Reachability
{
public:
    std::optional<uint32_t> flagsForHost(const QString &host) override;
};

// True when the first probe host, or failing that the second, is reachable
// without a connection having to be established first.
bool internetOnline(Reachability &reachability);
