#pragma once

// What a bench of the main window needs around it.

#include "gui/mainwindow/AppController.h"
#include "entrez/Reachability.h"

#include <QSettings>
#include <QTemporaryDir>

// Before the QApplication: the offscreen platform unless another is asked for.
void preferOffscreenPlatform();

// Services for a window that never opens a URL, with its preferences in a
// temporary file and every alert answered with one button.
class BenchAppServices
{
public:
    struct Setup
    {
        bool online = false; // every host reachable, else no check can be made
        bool updateCheckOnStart = false;
        int alertAnswer = 0;
        Endpoints endpoints = {};
    };
    explicit BenchAppServices(const Setup &setup);

    const AppServices &services() const { return m_services; }
    int alertsShown() const { return m_alerts.shown; }

private:
    class FixedReachability : public Reachability
    {
    public:
        bool online = false;
        std::optional<uint32_t> flagsForHost(const QString &) override;
    };
    class CountingAlerts : public AlertPresenter
    {
    public:
        int answer = 0;
        int shown = 0;
        int run(const Alert &, QWidget *) override;
    };
    class NoUrls : public UrlOpener
    {
    public:
        void open(const QUrl &) override {}
    };

    QTemporaryDir m_dir;
    QSettings m_settings;
    PreferenceStore m_store;
    FixedReachability m_reachability;
    CountingAlerts m_alerts;
    NoUrls m_urls;
    AppServices m_services;
};
