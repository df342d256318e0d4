// The online check over the reachability layer: the real layer against names
// whose answer is known everywhere, the two-host algorithm with chosen flags.
#include "FakeReachability.h"
#include "common/Endpoints.h"
#include "entrez/Reachability.h"

#include <QTest>

#include <optional>

namespace {
using Flags = std::optional<uint32_t>;
const QString kFirst = QLatin1String(ProbeHosts::First);
const QString kSecond = QLatin1String(ProbeHosts::Second);
constexpr uint32_t kReachable = ReachabilityFlags::Reachable;
constexpr uint32_t kConnectionRequired = ReachabilityFlags::ConnectionRequired;
// Flags that do not decide: transient connection, intervention required,
// local address, direct, connection automatic.
constexpr uint32_t kOthers = (1u << 0) | (1u << 4) | (1u << 16) | (1u << 17) | (1u << 3);
} // namespace

Q_DECLARE_METATYPE(std::optional<uint32_t>)

class ReachabilityTest : public QObject
{
    Q_OBJECT

private slots:
    // The real layer: "localhost" is reachable, a name under the reserved
    // ".invalid" domain is not (or its check fails).
    void systemLayer()
    {
        SystemReachability reachability;
        QCOMPARE(reachability.flagsForHost(QStringLiteral("localhost")), Flags(kReachable));
        const Flags flags = reachability.flagsForHost(QStringLiteral("no-such-host.invalid"));
        QVERIFY(!flags || (*flags & kReachable) == 0);
    }

    void onlineCheck_data()
    {
        QTest::addColumn<Flags>("first");
        QTest::addColumn<Flags>("second");
        QTest::addColumn<bool>("online");
        QTest::addColumn<int>("calls");
        QTest::newRow("first passes: one call") << Flags(kReachable) << Flags(0u) << true << 1;
        QTest::newRow("first check fails, second passes") << Flags() << Flags(kReachable) << true << 2;
        QTest::newRow("first unreachable, second passes") << Flags(kOthers) << Flags(kReachable | kOthers) << true << 2;
        QTest::newRow("first needs a connection, second passes")
            << Flags(kReachable | kConnectionRequired) << Flags(kReachable) << true << 2;
        QTest::newRow("both unreachable") << Flags(0u) << Flags(0u) << false << 2;
        QTest::newRow("both checks fail") << Flags() << Flags() << false << 2;
        QTest::newRow("both need a connection")
            << Flags(kReachable | kConnectionRequired) << Flags(kReachable | kConnectionRequired | kOthers) << false << 2;
    }
    void onlineCheck()
    {
        QFETCH(Flags, first);
        QFETCH(Flags, second);
        QFETCH(bool, online);
        QFETCH(int, calls);
        FakeReachability reachability;
        reachability.setFlags(kFirst, first);
        reachability.setFlags(kSecond, second);
        QCOMPARE(internetOnline(reachability), online);
        QCOMPARE(reachability.askedHosts(), (QStringList{kFirst, kSecond}.mid(0, calls)));
    }
};

QTEST_GUILESS_MAIN(ReachabilityTest)
#include "ReachabilityTest.moc"
