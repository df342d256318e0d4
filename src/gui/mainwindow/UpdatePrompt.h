#pragma once

#include "gui/mainwindow/AppServices.h"

#include <QObject>

#include <memory>

class BlockingFetcher;
class LaunchUpdateCheck;
class QWidget;

// The check of the published version as the user meets it: at launch in the
// background, speaking up only for a newer version; from the menu with every
// outcome in an alert; in a packaged copy, a word that updates come through
// the package manager.
class UpdatePrompt : public QObject
{
    Q_OBJECT

public:
    UpdatePrompt(const AppServices &services, QWidget *alertParent);
    ~UpdatePrompt() override;

    void startAtLaunch();
    void checkNow();
    // The check begun at launch is still waiting for the version page.
    bool launchCheckRunning() const;
    // The launch check has not yet been made (or handed over to checkNow()).
    bool startupUpdateCheck() const { return m_startupUpdateCheck; }
    void armStartupCheck() { m_startupUpdateCheck = true; }

private:
    int versionAlert(const QString &text, const QStringList &buttons);
    void offerNewVersion();

    AppServices m_services;
    QWidget *m_alertParent;
    std::unique_ptr<BlockingFetcher> m_fetcher;
    std::unique_ptr<LaunchUpdateCheck> m_launchCheck;
    bool m_startupUpdateCheck = false;
};
