#include "app/ResultMessage.h"

#include <iterator>

namespace {
struct ResultRow {
    uint32_t code;
    const char* text;
};

// Looked up from the first row; the first match wins.
constexpr ResultRow kResultTable[] = {
    {0x4000, "Initialization of USB communication went wrong."},
    {0x4001, "Transmission of data went wrong."},
    {0x4002, "Reception of data went wrong."},
    {0x4003, "The timeout error occurred during communication."},
    {0x5000, "Format error(00)"},
    {0x5001, "Format error(01)"},
    {0x5002, "Format error(02)"},
    {0x5003, "HEX Data error(03)"},
    {0x5004, "MOT Data error(04)"},
    {0x6000, "Start address parameter is unusual"},
    {0x6001, "End address parameter is unusual"},
    {0x6002, "Address parameter is unusual"},
    {0x7000, "Opening of file is failed."},
    {0x7001, "The information on a file was unacquirable."},
    {0x7002, "The data to download is not found."},
    {0x7003, "A file name is too long."},
    {0x7004, "Writing of a file went wrong."},
    {0x7005, "Reading of a file went wrong."},
    {0x7100, "Parameter error(01)"},
    {0x7101, "Parameter error(02)"},
    {0x8000, "Format error(00)"},
    {0x8001, "Format error(01)\n Hxw File type:720 Series"},
    {0x8002, "Format error(02)\n Hxw File type:4500 Series"},
    {0x8003, "Format error(03)\n Hxw File type:4BYTE Mode"},
    {0x8004, "Format error(04)\n Hxw File type:8BYTE Mode"},
};
static_assert(std::size(kResultTable) == 25);
}  // namespace

bool ResultMessage(std::string& text, uint32_t code) {
    text.clear();
    for (const auto& row : kResultTable) {
        if (row.code == code) {
            text = row.text;
            return true;
        }
    }
    text = "Other error.";
    return false;
}
