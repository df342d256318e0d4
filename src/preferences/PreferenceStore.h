#pragma once

#include "common/UpdateSource.h"
#include "entrez/SortOrder.h"
#include "export/CitationStyle.h"
#include "services/CitationSource.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace PreferenceKeys {
inline const QString UseProxy = QStringLiteral("useProxy");
inline const QString ProxyURL = QStringLiteral("proxyURL");
inline const QString ThisMany = QStringLiteral("thisMany");
inline const QString UrlWarningNumber = QStringLiteral("urlWarningNumber");
inline const QString UpdateCheckOnStart = QStringLiteral("updateCheckOnStart");
inline const QString CitationStyle = QStringLiteral("citationStyle");
// The user's own NCBI API key and contact address, sent with E-utilities requests.
inline const QString ApiKey = QStringLiteral("ncbiApiKey");
inline const QString ContactEmail = QStringLiteral("contactEmail");
inline const QString ScreenerName = QStringLiteral("screenerName");
// The order the next search asks ESearch for, by its command-line name.
inline const QString SortOrder = QStringLiteral("sortOrder");
// Whether result tables ask for and show how many articles cite each one.
inline const QString ShowCitationCounts = QStringLiteral("showCitationCounts");
// Where citation counts, citing articles and references come from: "icite" or "pmc".
inline const QString CitationSource = QStringLiteral("citationSource");
// Whether the window checks the saved searches when it starts.
inline const QString CheckSavedSearchesAtLaunch = QStringLiteral("checkSavedSearchesAtLaunch");
} // namespace PreferenceKeys

// The template of an institution's EZproxy login address; users replace the host.
inline const QString kDefaultProxyURL = QStringLiteral("https://ezproxy.your-institution.example/cgi-bin/ezpauthn.cgi?url=%@");

// The per-user defaults store: stored values in QSettings, and registered
// defaults held in memory for keys the settings do not hold. Defaults are
// never written to disk. A file that holds the API key is the owner's alone
// (mode 0600).
class PreferenceStore
{
public:
    // The user's own store (organisation and application "Vexmoor").
    static PreferenceStore &standard();
    // A store over the given settings, which must outlive it (tests use a temporary file).
    explicit PreferenceStore(QSettings *settings);
    ~PreferenceStore();

    void registerDefaults(const QVariantMap &defaults);

    QVariant object(const QString &key) const;
    QString string(const QString &key) const;
    bool boolean(const QString &key) const;
    int integer(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setObject(const QString &key, const QVariant &value);
    void remove(const QString &key);

    QSettings *settings() const { return m_settings; }

private:
    // Makes the settings file readable and writable by its owner alone.
    void keepPrivate();

    std::unique_ptr<QSettings> m_owned;
    QSettings *m_settings;
    QVariantMap m_defaults;
};

// The batch size, whatever was stored: at least 1 and at most what one
// ESearch request may ask for, as the command line accepts it.
int boundedBatchSize(int stored);

// Registers the preferences' defaults; done at every start.
// The update check at launch is on by default only where the application
// updates itself.
void registerDefaultPreferences(PreferenceStore &store, UpdateSource updates = UpdateSource::VersionPage);

// The main controller's reading of the preferences: every call asks the store
// anew, so nothing is ever cached.
class AppPreferences
{
public:
    explicit AppPreferences(PreferenceStore &store) : m_store(store) {}
    bool useProxy() const;
    // Bounded by boundedBatchSize().
    int thisMany() const;
    bool updateCheckOnStart() const;
    int urlWarningNumber() const;
    QString proxyURL() const;
    // The stored style's name, read case-blind; Vexmoor for any other text.
    CitationStyle citationStyle() const;
    QString apiKey() const;
    QString contactEmail() const;
    // The name a review's decisions are signed by; empty when not given.
    QString screenerName() const;
    // The stored order's name; Recent for any other text.
    SortOrder sortOrder() const;
    void setSortOrder(SortOrder order);
    bool showCitationCounts() const;
    // The stored source's name; iCite for any other text.
    ::CitationSource citationSource() const;

private:
    PreferenceStore &m_store;
};
