#pragma once

#include <cstddef>
#include <string_view>

// Whether `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence at the end.
bool isValidUtf8(std::string_view bytes);

// The same verdict for bytes that arrive a piece at a time: a sequence may be
// split between two pieces.
class Utf8Validator
{
public:
    // False once the bytes so far cannot begin valid UTF-8.
    bool append(std::string_view bytes);
    // The verdict on everything appended: false also when it ends inside a sequence.
    bool finish() const { return m_valid && m_carryLength == 0; }
    bool isValid() const { return m_valid; }
    void reset() { *this = Utf8Validator(); }

private:
    char m_carry[4] = {};
    size_t m_carryLength = 0; // bytes of a sequence the last piece ended in
    bool m_valid = true;
};
