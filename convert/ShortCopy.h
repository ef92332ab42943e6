// Copies of a record's few bytes. A plain memcpy of a size the compiler knows to be small becomes
// a string instruction, whose start-up costs more than the copy of 16 bytes itself; this copies in
// 16-, 8-, 4- and 2-byte moves, the last one overlapping the one before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace hxw {

inline void CopyShort(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n >= 16) {
        size_t i = 0;
        for (; i + 16 < n; i += 16) std::memcpy(dst + i, src + i, 16);
        std::memcpy(dst + n - 16, src + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dst, src, 4);
        std::memcpy(dst + n - 4, src + n - 4, 4);
    } else if (n >= 2) {
        std::memcpy(dst, src, 2);
        std::memcpy(dst + n - 2, src + n - 2, 2);
    } else if (n == 1) {
        *dst = *src;
    }
}

}  // namespace hxw
