#include "checksum/HexText.h"

namespace hxw {
const uint16_t* PairTable() {
    static const auto* table = [] {
        auto* t = new uint16_t[65536];
        for (unsigned i = 0; i < 65536; ++i) {
            const uint8_t hi = kHexValue[i & 0xFF];
            const uint8_t lo = kHexValue[i >> 8];
            t[i] = (hi == 0xFF || lo == 0xFF) ? 0x100 : static_cast<uint16_t>(hi << 4 | lo);
        }
        return t;
    }();
    return table;
}

}  // namespace hxw
