#include "common/SystemLog.h"

#include <QTest>

// Text from the network reaches the log only with its control characters
// written out, so it can neither start a forged line nor drive a terminal;
// the program's own format keeps its line breaks.
class SystemLogTest : public QObject
{
    Q_OBJECT

private slots:
    void untrustedTextIsEscaped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("plain, non-ASCII and backslash stay") << QStringLiteral("10.1/x\\n é €") << QStringLiteral("10.1/x\\n é €");
        QTest::newRow("forged line") << QStringLiteral("10.1/x\n2026-01-01T00:00:00 vexmoor: all fine")
                                     << QStringLiteral("10.1/x\\n2026-01-01T00:00:00 vexmoor: all fine");
        QTest::newRow("terminal escape") << QStringLiteral("\x1b]0;owned\x07\x1b[2J") << QStringLiteral("\\x1B]0;owned\\x07\\x1B[2J");
        QTest::newRow("carriage return, tab, NUL") << QString::fromUtf16(u"a\rb\tc\0d", 7) << QStringLiteral("a\\x0Db\\x09c\\x00d");
        QTest::newRow("DEL and C1") << QString::fromUtf16(u"\u007f\u0080\u009b31m\u00a0") << QString::fromUtf16(u"\\x7F\\x80\\x9B31m\u00a0");
    }
    void untrustedTextIsEscaped()
    {
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QStringList lines;
        setSystemLogSink([&lines](const QString &line) { lines.append(line); });
        systemLog(QStringLiteral("%1\n"), text);
        systemLog(QStringLiteral("Connection failed! Error - %1 %2"), text, QStringLiteral("%1"));
        setSystemLogSink({});
        QCOMPARE(lines, (QStringList{logged + QLatin1Char('\n'), QStringLiteral("Connection failed! Error - ") + logged + QStringLiteral(" %1")}));
    }
};

QTEST_GUILESS_MAIN(SystemLogTest)
#include "SystemLogTest.moc"
