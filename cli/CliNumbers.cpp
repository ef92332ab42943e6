// Strict number arguments of the command line (the window keeps its lenient reading).
#include "cli/CliCommon.h"

bool ParseStrictHexArg(const std::string& option, const std::string& text, uint32_t max, uint32_t& value,
                       std::string& problem) {
    size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
    if (i == text.size()) {
        problem = option + ": '" + text + "' is not a hexadecimal number";
        return false;
    }
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else {
            problem = option + ": '" + text + "' is not a hexadecimal number";
            return false;
        }
        v = (v << 4) | static_cast<uint64_t>(d);
        if (v > max) {
            char limit[16];
            std::snprintf(limit, sizeof limit, "%X", static_cast<unsigned>(max));
            problem = option + ": '" + text + "' is above the largest value, " + limit;
            return false;
        }
    }
    value = static_cast<uint32_t>(v);
    return true;
}
