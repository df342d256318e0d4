#include "entrez/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {
inline bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}
} // namespace

bool isValidUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    while (p < end) {
        // Most of an answer is ASCII markup: skip it sixteen bytes at a time.
        while (end - p >= 16) {
            uint64_t a, b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            if ((a | b) & 0x8080808080808080ull)
                break;
            p += 16;
        }
        while (p < end && *p < 0x80)
            ++p;
        if (p == end)
            return true;

        const unsigned char c = *p;
        const ptrdiff_t left = end - p;
        if (c < 0xC2) // a continuation byte, or an overlong two-byte form
            return false;
        if (c < 0xE0) {
            if (left < 2 || !isContinuation(p[1]))
                return false;
            p += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
                return false;
            if ((c == 0xE0 && p[1] < 0xA0) // overlong
                || (c == 0xED && p[1] >= 0xA0)) // UTF-16 surrogate
                return false;
            p += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
                return false;
            if ((c == 0xF0 && p[1] < 0x90) // overlong
                || (c == 0xF4 && p[1] >= 0x90)) // above U+10FFFF
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}
