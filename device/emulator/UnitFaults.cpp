// The fault list of TESSMARK_UNIT_FAULT: "key" or "key=value" items separated by commas.
#include <cstdlib>
#include <string>

#include "base/HexRead.h"
#include "device/emulator/UnitEmulator.h"

namespace {
// Strict hexadecimal of up to eight digits.
bool ParseHex(const std::string& text, uint32_t& value) { return hxw::ReadStrictHex(text, 8, value); }

// A decimal count of up to nine digits.
bool ParseCount(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = uint32_t(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}
}  // namespace

bool ParseUnitFaults(const std::string& text, UnitFaults& faults, std::string& error) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t comma = text.find(',', pos);
        std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        std::string key = item.substr(0, item.find('='));
        std::string value = item.find('=') == std::string::npos ? "" : item.substr(item.find('=') + 1);
        bool ok = true;
        uint32_t v = 0;
        if (key == "name") {
            // The rest of the list is the name, commas and all.
            faults.HasName = true;
            faults.Name = text.substr(pos + 5);
            return true;
        } else if (key == "refuse-open") {
            faults.RefuseOpen = true;
        } else if (key == "fail-check") {
            faults.FailCheck = true;
        } else if (key == "short-info") {
            faults.ShortInfo = true;
        } else if (key == "product") {
            ok = ParseHex(value, v) && v <= 0xFFFF;
            faults.ProductId = uint16_t(v);
        } else if (key == "info-result") {
            ok = ParseHex(value, faults.InfoResult);
        } else if (key == "first-result") {
            ok = ParseHex(value, faults.FirstResult);
        } else if (key == "final-result") {
            ok = ParseHex(value, faults.FinalResult);
        } else if (key == "fail-send") {
            ok = ParseCount(value, faults.FailSend);
        } else if (key == "fail-receive") {
            ok = ParseCount(value, faults.FailReceive);
        } else if (key == "fail-bulk") {
            ok = ParseCount(value, faults.FailBulk);
        } else if (key == "acks") {
            ok = ParseCount(value, faults.Acks);
        } else if (key == "unterminated") {
            ok = ParseCount(value, faults.Unterminated);
        } else if (key == "corrupt-upload") {
            ok = ParseCount(value, faults.CorruptUpload);
        } else if (!item.empty()) {
            ok = false;
        }
        if (!ok) {
            error = item;
            return false;
        }
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return true;
}
