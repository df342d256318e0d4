#include "IntValue.h"

#include <limits>

int32_t intValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number so that INT32_MIN is reachable; stop
    // growing once past the range, the clamp below decides.
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (negative)
        return magnitude >= limit ? std::numeric_limits<int32_t>::min() : int32_t(-magnitude);
    return magnitude >= limit ? std::numeric_limits<int32_t>::max() : int32_t(magnitude);
}
