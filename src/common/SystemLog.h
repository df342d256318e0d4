#pragma once

#include <QString>
#include <functional>

// The diagnostics channel: one timestamped line on standard error per call.
// Tests install a sink to read the lines back.
void systemLog(const QString &message);

using SystemLogSink = std::function<void(const QString &message)>;
// Replaces the destination of systemLog; an empty sink restores standard error.
void setSystemLogSink(SystemLogSink sink);
