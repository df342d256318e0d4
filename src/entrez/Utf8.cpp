#include "entrez/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the sequence a lead byte starts, 0 when it starts none.
inline int sequenceLength(unsigned char c)
{
    if (c < 0x80)
        return 1;
    if (c < 0xC2) // a continuation byte, or an overlong two-byte form
        return 0;
    if (c < 0xE0)
        return 2;
    if (c < 0xF0)
        return 3;
    return c < 0xF5 ? 4 : 0;
}

// Whether the `n` bytes at p (n at most the sequence's length) can begin a
// valid sequence: overlong three- and four-byte forms, surrogates and values
// above U+10FFFF show in the second byte.
inline bool isSequencePrefix(const unsigned char *p, int n)
{
    const unsigned char c = p[0];
    if (n >= 2) {
        if (!isContinuation(p[1]) || (c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0)
            || (c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] >= 0x90))
            return false;
    }
    for (int i = 2; i < n; ++i) {
        if (!isContinuation(p[i]))
            return false;
    }
    return true;
}

// The first byte at or after p that is not ASCII, or end.
inline const unsigned char *skipAscii(const unsigned char *p, const unsigned char *end)
{
#if defined(__SSE2__)
    // Most of an answer is ASCII markup: 32 bytes per step, and the first
    // non-ASCII byte of a step is found from the mask, not byte by byte.
    while (end - p >= 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16));
        const unsigned mask = unsigned(_mm_movemask_epi8(a)) | (unsigned(_mm_movemask_epi8(b)) << 16);
        if (mask)
            return p + __builtin_ctz(mask);
        p += 32;
    }
#endif
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (const uint64_t high = word & 0x8080808080808080ull)
            return p + __builtin_ctzll(high) / 8;
        p += 8;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

// Checks [p, end): nullptr when it is not valid UTF-8, otherwise where an
// unfinished sequence at its end begins (end when there is none).
const unsigned char *checkUtf8(const unsigned char *p, const unsigned char *end)
{
    while (true) {
        p = skipAscii(p, end);
        // Non-ASCII text tends to come in runs: stay here while it lasts.
        while (p < end && *p >= 0x80) {
            const int n = sequenceLength(*p);
            if (n == 0)
                return nullptr;
            if (end - p < n)
                return isSequencePrefix(p, int(end - p)) ? p : nullptr;
            if (!isSequencePrefix(p, n))
                return nullptr;
            p += n;
        }
        if (p == end)
            return end;
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = begin + bytes.size();
    return checkUtf8(begin, end) == end;
}

bool Utf8Validator::append(std::string_view bytes)
{
    if (!m_valid)
        return false;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const unsigned char *const end = p + bytes.size();
    if (m_carryLength > 0) {
        // Complete the sequence the last piece ended in first.
        const int n = sequenceLength(static_cast<unsigned char>(m_carry[0]));
        const size_t take = std::min(size_t(n) - m_carryLength, bytes.size());
        std::memcpy(m_carry + m_carryLength, p, take);
        m_carryLength += take;
        p += take;
        if (!isSequencePrefix(reinterpret_cast<const unsigned char *>(m_carry), int(m_carryLength)))
            return m_valid = false;
        if (m_carryLength < size_t(n))
            return true;
        m_carryLength = 0;
    }
    const unsigned char *const unfinished = checkUtf8(p, end);
    if (!unfinished)
        return m_valid = false;
    m_carryLength = size_t(end - unfinished);
    std::memcpy(m_carry, unfinished, m_carryLength);
    return true;
}
