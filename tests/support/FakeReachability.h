#pragma once

#include "entrez/Reachability.h"

#include <QHash>
#include <QStringList>

// Reachability with flags chosen by the test, per host; records every host
// asked about, in order.
class FakeReachability : public Reachability
{
public:
    // Every host answers `flags` unless set otherwise.
    explicit FakeReachability(std::optional<uint32_t> flags = ReachabilityFlags::Reachable)
        : m_fallback(flags)
    {
    }

    // All hosts reachable, or none.
    void setOnline(bool online)
    {
        m_answers.clear();
        m_fallback = online ? ReachabilityFlags::Reachable : 0u;
    }
    // `flags` for `host`; none means the check cannot be made.
    void setFlags(const QString &host, std::optional<uint32_t> flags) { m_answers.insert(host, flags); }

    QStringList askedHosts() const { return m_asked; }
    void clearAsked() { m_asked.clear(); }

    std::optional<uint32_t> flagsForHost(const QString &host) override
    {
        m_asked.append(host);
        return m_answers.value(host, m_fallback);
    }

private:
    QHash<QString, std::optional<uint32_t>> m_answers;
    std::optional<uint32_t> m_fallback;
    QStringList m_asked;
};
