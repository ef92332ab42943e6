#include "app/EditFilters.h"

#include "app/ControlIds.h"

namespace {
constexpr unsigned int kBackspace = 8;
bool IsDigit(unsigned int c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

bool HexEditAccepts(unsigned int c) {
    return c == kBackspace || IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool AlnumEditAccepts(unsigned int c) { return c == kBackspace || IsDigit(c) || IsLetter(c); }

bool DigitEditAccepts(unsigned int c) { return c == kBackspace || IsDigit(c); }

bool EditAccepts(EditKind kind, unsigned int c) {
    switch (kind) {
        case EditKind::Hex:
            return HexEditAccepts(c);
        case EditKind::Alnum:
            return AlnumEditAccepts(c);
        case EditKind::Digit:
            return DigitEditAccepts(c);
    }
    return false;
}

std::optional<EditKind> EditKindOf(int controlId) {
    switch (controlId) {
        case IDC_DOMAIN_START:
        case IDC_DOMAIN_END:
        case IDC_CRC_INIT:
        case IDC_CS_DOMAIN_START:
        case IDC_CS_DOMAIN_END:
            return EditKind::Hex;
        case IDC_ID_CODE:
            return EditKind::Alnum;
        case IDC_COUNT:
            return EditKind::Digit;
        default:
            return std::nullopt;
    }
}
