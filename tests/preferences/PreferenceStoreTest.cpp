#include "common/IntValue.h"
#include "preferences/PreferenceStore.h"

#include <QTemporaryDir>
#include <QTest>

class PreferenceStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat);
        m_settings->clear();
        m_store = std::make_unique<PreferenceStore>(m_settings.get());
        registerDefaultPreferences(*m_store);
    }

    void freshUserReadsTheRegisteredDefaults()
    {
        AppPreferences prefs(*m_store);
        QCOMPARE(prefs.useProxy(), false);
        QCOMPARE(prefs.proxyURL(), kDefaultProxyURL);
        QVERIFY(prefs.proxyURL().startsWith(QLatin1String("https://")));
        QVERIFY(prefs.proxyURL().endsWith(QLatin1String("/cgi-bin/ezpauthn.cgi?url=%@")));
        QCOMPARE(prefs.thisMany(), 20);
        QCOMPARE(prefs.urlWarningNumber(), 3);
        QCOMPARE(prefs.updateCheckOnStart(), true);
        // Defaults are never written to the store.
        m_settings->sync();
        QVERIFY(m_settings->allKeys().isEmpty());
    }

    void storedValuesWinAndSurviveAReopen()
    {
        m_store->setBool(PreferenceKeys::UseProxy, true);
        m_store->setBool(PreferenceKeys::UpdateCheckOnStart, false);
        m_store->setObject(PreferenceKeys::ThisMany, 0);
        m_store->setObject(PreferenceKeys::UrlWarningNumber, -4);
        m_store->setObject(PreferenceKeys::ProxyURL, QStringLiteral("https://proxy.example/login?url=%@"));
        m_settings->sync();
        const QString path = m_settings->fileName();
        QVERIFY(QFile::permissions(path) & QFileDevice::ReadOther);
        m_store->setObject(PreferenceKeys::ApiKey, QStringLiteral("secret"));
        m_settings->sync();
        QCOMPARE(QFile::permissions(path) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);

        // A new process: new settings object, defaults registered again.
        QSettings reopened(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat);
        PreferenceStore store(&reopened);
        registerDefaultPreferences(store);
        AppPreferences prefs(store);
        QCOMPARE(prefs.useProxy(), true);
        QCOMPARE(prefs.updateCheckOnStart(), false);
        QCOMPARE(store.boolean(PreferenceKeys::UpdateCheckOnStart), false);
        // A batch size from the store is bounded like the command line's.
        QCOMPARE(store.integer(PreferenceKeys::ThisMany), 0);
        QCOMPARE(prefs.thisMany(), 1);
        store.setObject(PreferenceKeys::ThisMany, QStringLiteral("10001"));
        QCOMPARE(prefs.thisMany(), 10000);
        store.setObject(PreferenceKeys::ThisMany, 10000);
        QCOMPARE(prefs.thisMany(), 10000);
        QCOMPARE(prefs.urlWarningNumber(), -4);
        QCOMPARE(prefs.proxyURL(), QStringLiteral("https://proxy.example/login?url=%@"));

        store.remove(PreferenceKeys::ThisMany);
        QCOMPARE(prefs.thisMany(), 20);
    }

    void intValueReadsLikeTypedNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("trailing word") << "25 apples" << 25;
        QTest::newRow("blank and minus") << " -4" << -4;
        QTest::newRow("plus") << "\t+17x" << 17;
        QTest::newRow("sign only") << "-" << 0;
        QTest::newRow("too large") << "99999999999999999999" << int(INT32_MAX);
        QTest::newRow("too small") << "-99999999999999999999" << int(INT32_MIN);
        QTest::newRow("int min") << "-2147483648" << int(INT32_MIN);
        QTest::newRow("just above max") << "2147483648" << int(INT32_MAX);
    }
    void intValueReadsLikeTypedNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(intValue(text), value);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<PreferenceStore> m_store;
};

QTEST_GUILESS_MAIN(PreferenceStoreTest)
#include "PreferenceStoreTest.moc"
