#pragma once

#include <string_view>

// A PMID is 1 to 10 ASCII digits. Any other id from an answer is dropped
// before it can reach a request or a link, where "&", "=" or "#" would add
// parameters or cut the rest off.
inline constexpr size_t kMaxPmidDigits = 10;

inline bool isPmid(std::string_view text)
{
    if (text.empty() || text.size() > kMaxPmidDigits)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}
