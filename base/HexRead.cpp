#include "base/HexRead.h"

namespace hxw {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

uint32_t ReadHex(std::string_view text, unsigned bits, HexForm form) {
    const size_t len = text.size();
    size_t i = 0;
    while (i < len && IsBlank(text[i])) ++i;
    bool negative = false;
    if (form == HexForm::CLibrary && i < len && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // "0x" counts as a prefix only when a digit follows it; otherwise the 0 is the number.
    if (form != HexForm::Digits && i + 2 < len && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && Digit(text[i + 2]) >= 0)
        i += 2;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < len; ++i) {
        const int d = Digit(text[i]);
        if (d < 0) break;
        value = (value << 4) | static_cast<uint64_t>(d);
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value &= 0xFFFFFFFFu;
        }
    }
    uint32_t v = static_cast<uint32_t>(value);
    if (form == HexForm::CLibrary) v = overflow ? 0xFFFFFFFFu : negative ? 0u - v : v;
    return bits >= 32 ? v : v & ((1u << bits) - 1u);
}

bool ReadStrictHex(std::string_view text, size_t maxDigits, uint32_t& value) {
    if (text.empty() || text.size() > maxDigits || maxDigits > 8) return false;
    for (char c : text)
        if (Digit(c) < 0) return false;
    value = ReadHex(text);
    return true;
}

}  // namespace hxw
