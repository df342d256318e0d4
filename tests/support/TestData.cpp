#include "TestData.h"

#include <QFile>
#include <QTest>

void failTestOnce(const QString &message)
{
    if (!QTest::currentTestFailed())
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

namespace {
bool open(QFile &file)
{
    if (file.open(QIODevice::ReadOnly))
        return true;
    failTestOnce(QStringLiteral("cannot read test data %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}
} // namespace

std::optional<QByteArray> readTestData(const QString &path)
{
    QFile file(path);
    if (!open(file))
        return std::nullopt;
    return file.readAll();
}

bool haveTestData(const QString &path)
{
    QFile file(path);
    return open(file);
}
