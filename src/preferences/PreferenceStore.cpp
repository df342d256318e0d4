#include "PreferenceStore.h"

#include "common/Endpoints.h"
#include "common/IntValue.h"

#include <QFile>

#include <algorithm>

PreferenceStore &PreferenceStore::standard()
{
    static PreferenceStore store(nullptr);
    return store;
}

PreferenceStore::PreferenceStore(QSettings *settings) : m_settings(settings)
{
    if (!m_settings) {
        m_owned = std::make_unique<QSettings>(QStringLiteral("Vexmoor"), QStringLiteral("Vexmoor"));
        m_settings = m_owned.get();
    }
    // A file written before its key was kept private.
    if (!string(PreferenceKeys::ApiKey).trimmed().isEmpty())
        keepPrivate();
}

void PreferenceStore::keepPrivate()
{
    const QString path = m_settings->fileName();
    constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile file(path);
    if (!file.exists())
        file.open(QIODevice::WriteOnly, ownerOnly);
    // Later writes replace the file with one of the same permissions.
    QFile::setPermissions(path, ownerOnly);
}

PreferenceStore::~PreferenceStore() = default;

void PreferenceStore::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_defaults.insert(it.key(), it.value());
}

QVariant PreferenceStore::object(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    return stored.isValid() ? stored : m_defaults.value(key);
}

QString PreferenceStore::string(const QString &key) const
{
    const QVariant v = object(key);
    return v.canConvert<QString>() ? v.toString() : QString();
}

bool PreferenceStore::boolean(const QString &key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString) {
        // Text stored by hand reads as true for "true"/"yes" or a non-zero number.
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            || s.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            return true;
        return intValue(s) != 0;
    }
    return v.toBool();
}

int PreferenceStore::integer(const QString &key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    // QSettings' text formats give numbers and booleans back as text.
    const QString s = v.toString();
    if (s == QLatin1String("true"))
        return 1;
    return intValue(s);
}

void PreferenceStore::setBool(const QString &key, bool value)
{
    m_settings->setValue(key, value);
}

void PreferenceStore::setObject(const QString &key, const QVariant &value)
{
    // The key is the user's secret: the file is theirs alone before it holds one.
    if (key == PreferenceKeys::ApiKey && !value.toString().trimmed().isEmpty())
        keepPrivate();
    m_settings->setValue(key, value);
}

void PreferenceStore::remove(const QString &key)
{
    m_settings->remove(key);
}

int boundedBatchSize(int stored)
{
    return std::clamp(stored, 1, kMaxBatchSize);
}

void registerDefaultPreferences(PreferenceStore &store, UpdateSource updates)
{
    store.registerDefaults({
        {PreferenceKeys::UseProxy, false},
        {PreferenceKeys::ProxyURL, kDefaultProxyURL},
        {PreferenceKeys::ThisMany, 20},
        {PreferenceKeys::UrlWarningNumber, 3},
        {PreferenceKeys::UpdateCheckOnStart, updates == UpdateSource::VersionPage},
        {PreferenceKeys::CitationStyle, CitationStyles::name(CitationStyle::Vexmoor)},
        {PreferenceKeys::ApiKey, QString()},
        {PreferenceKeys::ContactEmail, QString()},
        {PreferenceKeys::SortOrder, SortOrders::name(SortOrder::Recent)},
        {PreferenceKeys::ShowCitationCounts, true},
        {PreferenceKeys::CitationSource, CitationSources::name(CitationSource::Icite)},
        {PreferenceKeys::CheckSavedSearchesAtLaunch, false},
    });
}

bool AppPreferences::useProxy() const
{
    return m_store.boolean(PreferenceKeys::UseProxy);
}

int AppPreferences::thisMany() const
{
    return boundedBatchSize(m_store.integer(PreferenceKeys::ThisMany));
}

bool AppPreferences::showCitationCounts() const
{
    return m_store.boolean(PreferenceKeys::ShowCitationCounts);
}

CitationSource AppPreferences::citationSource() const
{
    return CitationSources::named(m_store.string(PreferenceKeys::CitationSource)).value_or(CitationSource::Icite);
}

bool AppPreferences::updateCheckOnStart() const
{
    return m_store.integer(PreferenceKeys::UpdateCheckOnStart) != 0;
}

int AppPreferences::urlWarningNumber() const
{
    return m_store.integer(PreferenceKeys::UrlWarningNumber);
}

QString AppPreferences::proxyURL() const
{
    return m_store.string(PreferenceKeys::ProxyURL);
}

CitationStyle AppPreferences::citationStyle() const
{
    return CitationStyles::named(m_store.string(PreferenceKeys::CitationStyle)).value_or(CitationStyle::Vexmoor);
}

QString AppPreferences::apiKey() const
{
    return m_store.string(PreferenceKeys::ApiKey).trimmed();
}

QString AppPreferences::contactEmail() const
{
    return m_store.string(PreferenceKeys::ContactEmail).trimmed();
}

QString AppPreferences::screenerName() const
{
    return m_store.string(PreferenceKeys::ScreenerName).trimmed();
}

SortOrder AppPreferences::sortOrder() const
{
    return SortOrders::named(m_store.string(PreferenceKeys::SortOrder)).value_or(SortOrder::Recent);
}

void AppPreferences::setSortOrder(SortOrder order)
{
    m_store.setObject(PreferenceKeys::SortOrder, SortOrders::name(order));
}
