#pragma once

#include <QStringView>
#include <cstdint>

// Reads a number the way users and the service write it loosely: leading white
// space skipped, an optional sign, then decimal digits up to the first other
// character; 0 when no digit comes first; clamped to the 32-bit range.
int32_t intValue(QStringView text);
