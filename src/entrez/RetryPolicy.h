#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// When a busy service is asked again: HTTP 429, 502, 503 and 504 are retried
// at most `maxRetries` times, after the Retry-After the answer gives (capped)
// or else after 1, 2, 4 s. Every other failure is final.
struct RetryPolicy
{
    int maxRetries = 3;
    int maxRetryAfterSeconds = 30;
    // Length of one announced second; tests shrink the waits without
    // changing what is announced.
    int msPerSecond = 1000;
    // The retries of one request, waits and attempts, end within this long
    // after its first attempt failed: with the 120 s deadline of that first
    // attempt, an ESearch ends within 180 s whatever the service answers.
    int retryAllowanceSeconds = 60;
};

// Seconds to wait before the next attempt after a failure with `httpStatus`
// and the answer's Retry-After header, when `retriesDone` retries were made;
// none when the failure is final.
std::optional<int> retryDelaySeconds(int httpStatus, const QByteArray &retryAfter, int retriesDone,
                                     const RetryPolicy &policy, const QDateTime &nowUtc);
