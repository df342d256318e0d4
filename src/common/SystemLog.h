#pragma once

#include <QString>
#include <functional>

// The diagnostics channel: one timestamped line on standard error per call.
// Tests install a sink to read the lines back.
//
// `message` is the program's own text. Text from the network or the
// preferences goes in as an argument of the two-part form below, never
// pasted into the message, so it can neither forge a line nor drive a
// terminal.
void systemLog(const QString &message);

// `text` with its control characters written out: a line feed as "\n", every
// other C0 or C1 control character and DEL as "\xNN".
QString logEscaped(const QString &text);
// The same for text that keeps its layout (a cell of a file): tabs and line
// breaks stay, every other control character is written out.
QString controlsEscaped(const QString &text);

// `format` with "%1", "%2", ... replaced by the arguments, each escaped
// with logEscaped().
template<typename... Untrusted>
void systemLog(const QString &format, const Untrusted &...values)
{
    systemLog(format.arg(logEscaped(values)...));
}

using SystemLogSink = std::function<void(const QString &message)>;
// Replaces the destination of systemLog; an empty sink restores standard error.
void setSystemLogSink(SystemLogSink sink);
