#include "base/ResultCodes.h"

#include <iterator>

namespace {
struct ResultRow {
    uint32_t code;
    const char* text;
};

constexpr ResultRow kResultTable[] = {
    {rc::UsbInit, "Initialization of USB communication went wrong."},
    {rc::UsbSend, "Transmission of data went wrong."},
    {rc::UsbReceive, "Reception of data went wrong."},
    {rc::UsbTimeout, "The timeout error occurred during communication."},
    {rc::Format00, "Format error(00)"},
    {rc::Format01, "Format error(01)"},
    {rc::Format02, "Format error(02)"},
    {rc::HexData, "HEX Data error(03)"},
    {rc::MotData, "MOT Data error(04)"},
    {rc::StartAddress, "Start address parameter is unusual"},
    {rc::EndAddress, "End address parameter is unusual"},
    {rc::Address, "Address parameter is unusual"},
    {rc::FileOpen, "Opening of file is failed."},
    {rc::FileInfo, "The information on a file was unacquirable."},
    {rc::NoData, "The data to download is not found."},
    {rc::NameTooLong, "A file name is too long."},
    {rc::FileWrite, "Writing of a file went wrong."},
    {rc::FileRead, "Reading of a file went wrong."},
    {rc::Param01, "Parameter error(01)"},
    {rc::Param02, "Parameter error(02)"},
    {rc::HxwFormat00, "Format error(00)"},
    {rc::Hxw720, "Format error(01)\n Hxw File type:720 Series"},
    {rc::Hxw4500, "Format error(02)\n Hxw File type:4500 Series"},
    {rc::Hxw4Byte, "Format error(03)\n Hxw File type:4BYTE Mode"},
    {rc::Hxw8Byte, "Format error(04)\n Hxw File type:8BYTE Mode"},
};
static_assert(std::size(kResultTable) == std::size(rc::kAllFailures), "one message per failure code");
}  // namespace

bool ResultMessage(std::string& text, uint32_t code) {
    for (const auto& row : kResultTable) {
        if (row.code == code) {
            text = row.text;
            return true;
        }
    }
    text = "Other error.";
    return false;
}
