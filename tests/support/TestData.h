#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Files the tests read: the real NCBI answers and hand-made cases. A file
// that cannot be read fails the running test with one line naming it and
// gives no bytes; the program goes on with its next test. Only the first such
// line of a test is written, so a test that reads several files says once
// what is missing.
std::optional<QByteArray> readTestData(const QString &path);

// Whether `path` can be read, for a file another program is to read; when
// not, the running test fails as readTestData() would make it.
[[nodiscard]] bool haveTestData(const QString &path);

// Fails the running test with `message`, unless it has already failed.
void failTestOnce(const QString &message);

// The bytes of `path` in `var`, or, when the file cannot be read, the failure
// line and a return from the calling test.
#define READ_TEST_DATA(var, path)                                   \
    const std::optional<QByteArray> var##Read = readTestData(path); \
    if (!var##Read)                                                 \
        return;                                                     \
    const QByteArray &var = *var##Read
