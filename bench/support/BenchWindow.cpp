#include "BenchWindow.h"



void preferOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

std::optional<uint32_t> BenchAppServices::FixedReachability::flagsForHost(const QString &)
{
    return online ? std::optional<uint32_t>(ReachabilityFlags::Reachable) : std::nullopt;
}

int BenchAppServices::CountingAlerts::run(const Alert &, QWidget *)
{
    ++shown;
    return answer;
}

BenchAppServices::BenchAppServices(const Setup &setup)
    : m_settings(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat), m_store(&m_settings)
{
    registerDefaultPreferences(m_store);
    m_store.setBool(PreferenceKeys::UpdateCheckOnStart, setup.updateCheckOnStart);
    m_reachability.online = setup.online;
    m_alerts.answer = setup.alertAnswer;
    m_services = {.preferences = &m_store,
                  .endpoints = setup.endpoints,
                  .reachability = &m_reachability,
                  .alerts = &m_alerts,
                  .urlOpener = &m_urls};
}
