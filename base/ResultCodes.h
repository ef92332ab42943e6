// Result codes of every engine operation, and the operator's text for each. 0 is success, every
// other value names one failure; a non-zero code reported by the unit passes through unchanged.
#pragma once
#include <cstdint>
#include <string>

namespace rc {
constexpr uint32_t Ok = 0;
constexpr uint32_t UsbInit = 0x4000;     // the link could not be opened
constexpr uint32_t UsbSend = 0x4001;     // sending to the unit failed
constexpr uint32_t UsbReceive = 0x4002;  // receiving from the unit failed
constexpr uint32_t UsbTimeout = 0x4003;
constexpr uint32_t Format00 = 0x5000;
constexpr uint32_t Format01 = 0x5001;
constexpr uint32_t Format02 = 0x5002;
constexpr uint32_t HexData = 0x5003;
constexpr uint32_t MotData = 0x5004;
constexpr uint32_t StartAddress = 0x6000;
constexpr uint32_t EndAddress = 0x6001;
constexpr uint32_t Address = 0x6002;
constexpr uint32_t FileOpen = 0x7000;
constexpr uint32_t FileInfo = 0x7001;
constexpr uint32_t NoData = 0x7002;
constexpr uint32_t NameTooLong = 0x7003;
constexpr uint32_t FileWrite = 0x7004;
constexpr uint32_t FileRead = 0x7005;
constexpr uint32_t Param01 = 0x7100;
constexpr uint32_t Param02 = 0x7101;
constexpr uint32_t HxwFormat00 = 0x8000;
constexpr uint32_t Hxw720 = 0x8001;
constexpr uint32_t Hxw4500 = 0x8002;
constexpr uint32_t Hxw4Byte = 0x8003;
constexpr uint32_t Hxw8Byte = 0x8004;

// Every failure code above, in order.
constexpr uint32_t kAllFailures[] = {
    UsbInit,      UsbSend,    UsbReceive,  UsbTimeout, Format00, Format01, Format02,    HexData,   MotData,
    StartAddress, EndAddress, Address,     FileOpen,   FileInfo, NoData,   NameTooLong, FileWrite, FileRead,
    Param01,      Param02,    HxwFormat00, Hxw720,     Hxw4500,  Hxw4Byte, Hxw8Byte,
};
}  // namespace rc

// Sets text to the code's message; a code without one (0 and the unit's own codes) gives
// "Other error." and false.
bool ResultMessage(std::string& text, uint32_t code);
