#include "gui/mainwindow/UpdatePrompt.h"

#include "gui/widgets/AlertPresenter.h"
#include "gui/mainwindow/AppMessages.h"
#include "gui/widgets/UrlOpener.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/UpdateCheck.h"
#include "preferences/PreferenceStore.h"
#include "search/SearchMessages.h"

UpdatePrompt::UpdatePrompt(const AppServices &services, QWidget *alertParent)
    : m_services(services), m_alertParent(alertParent), m_fetcher(std::make_unique<BlockingFetcher>())
{
    TransferLimits limits;
    limits.timeoutMs = services.networkTimeoutMs;
    m_fetcher->setLimits(limits);
}

UpdatePrompt::~UpdatePrompt() = default;

void UpdatePrompt::startAtLaunch()
{
    // This is the launch check; a check the user starts meanwhile is not.
    m_startupUpdateCheck = false;
    // A packaged copy leaves updates to the package manager and never asks.
    if (m_services.updateSource == UpdateSource::PackageManager)
        return;
    m_launchCheck = std::make_unique<LaunchUpdateCheck>(m_services.endpoints, m_fetcher->limits());
    connect(m_launchCheck.get(), &LaunchUpdateCheck::finished, this, [this](UpdateCheckOutcome outcome) {
        // At launch only a newer version is worth a word.
        if (outcome == UpdateCheckOutcome::NewVersion)
            offerNewVersion();
    });
    m_launchCheck->start();
}

bool UpdatePrompt::launchCheckRunning() const
{
    return m_launchCheck && m_launchCheck->isRunning();
}

int UpdatePrompt::versionAlert(const QString &text, const QStringList &buttons)
{
    return m_services.alerts->run(
        {Alert::Style::Warning, AppMessages::VersionCheckTitle, AppMessages::VersionCheckTitle, text, buttons},
        m_alertParent);
}

void UpdatePrompt::offerNewVersion()
{
    if (versionAlert(AppMessages::NewVersion, {SearchMessages::OK, AppMessages::Cancel}) == 0)
        m_services.urlOpener->open(downloadUrl(m_services.endpoints));
}

void UpdatePrompt::checkNow()
{
    const bool quiet = m_startupUpdateCheck;
    m_startupUpdateCheck = false;
    if (m_services.updateSource == UpdateSource::PackageManager) {
        if (!quiet)
            m_services.alerts->run({Alert::Style::Informational, AppMessages::VersionCheckTitle,
                                    AppMessages::VersionCheckTitle, AppMessages::UpdatesByPackageManager,
                                    {SearchMessages::OK}},
                                   m_alertParent);
        return;
    }
    QString reason;
    switch (checkPublishedVersion(*m_services.reachability, *m_fetcher, m_services.endpoints, &reason)) {
    case UpdateCheckOutcome::Offline:
        if (!AppPreferences(*m_services.preferences).updateCheckOnStart())
            m_services.alerts->run(Alert::networkError(), m_alertParent);
        break;
    case UpdateCheckOutcome::FetchFailed:
        if (!quiet)
            versionAlert(AppMessages::versionNotChecked(reason), {SearchMessages::OK});
        break;
    case UpdateCheckOutcome::Current:
        if (!quiet)
            versionAlert(AppMessages::CurrentVersion, {SearchMessages::OK});
        break;
    case UpdateCheckOutcome::NewVersion:
        offerNewVersion();
        break;
    }
}
