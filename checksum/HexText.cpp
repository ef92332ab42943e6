#include "checksum/HexText.h"

namespace hxw {
namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
}  // namespace

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

uint32_t ParseHexLenient(const char* p, size_t len) {
    size_t i = 0;
    while (i < len && IsSpace(p[i])) ++i;
    bool negative = false;
    if (i < len && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
    // "0x" counts as a prefix only when a digit follows it; otherwise the 0 is the number.
    if (i + 2 < len && p[i] == '0' && (p[i + 1] == 'x' || p[i + 1] == 'X') && IsHexDigit(p[i + 2])) i += 2;
    uint64_t value = 0;
    bool any = false;
    bool overflow = false;
    for (; i < len; ++i) {
        const uint8_t d = kHexValue[static_cast<uint8_t>(p[i])];
        if (d == 0xFF) break;
        any = true;
        value = (value << 4) | d;
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value &= 0xFFFFFFFFu;
        }
    }
    if (!any) return 0;
    if (overflow) return 0xFFFFFFFFu;
    const uint32_t v = static_cast<uint32_t>(value);
    return negative ? 0u - v : v;
}

}  // namespace hxw
