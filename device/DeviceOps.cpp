// The link to the unit and the four device operations over it.
#include "device/DeviceOps.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "base/AtomicReplace.h"
#include "base/File.h"
#include "base/Format.h"
#include "base/HexRead.h"
#include "base/ResultCodes.h"

using hxw::Format;

namespace {
std::string FileCommandPayload(const UnitFileInfo& info) {
    return Format("%04X%s%08X%08X%08X%04X%02X", unsigned(unitcmd::Download), info.Name.c_str(),
                  unsigned(info.Size), unsigned(info.CreationTime), unsigned(info.LastWriteTime),
                  unsigned(info.LastAccessDate), unsigned(info.Attributes));
}

// The security record travels as this file.
const char kSecurityName[] = "security.sec";

uint32_t PackFileTime(const hxw::FileTime& t) {
    return PackDosDateTime(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}
}  // namespace

uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1980) return (0u << 25) | (1u << 21) | (1u << 16);
    if (year > 2107) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    return (uint32_t(year - 1980) << 25) | (uint32_t(month & 0x0F) << 21) | (uint32_t(day & 0x1F) << 16) |
           (uint32_t(hour & 0x1F) << 11) | (uint32_t(minute & 0x3F) << 5) | uint32_t((second / 2) & 0x1F);
}

bool IsSafeUnitFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    // Windows maps these names to devices whatever their extension, and blanks before the
    // extension do not change that.
    std::string stem = name.substr(0, name.find('.'));
    for (char& c : stem) c = char(std::toupper(static_cast<unsigned char>(c)));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static const char* const reserved[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* r : reserved) {
        if (stem == r) return false;
    }
    if (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) {
        const std::string digit = stem.substr(3);
        // A digit, or the superscripts one to three (UTF-8), which Windows counts as digits here.
        if ((digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
            digit == "\xC2\xB2" || digit == "\xC2\xB3") {
            return false;
        }
    }
    return true;
}

SecurityRecord BuildSecurityRecord(int security, const std::string& id, const std::string& count,
                                   int buzzer) {
    // The page limits the ID to 4 and the count to 5 characters; longer input is cut to those
    // limits so the record keeps its layout.
    std::string settings = Format("SECURITY=%1d\r\nID=%4s\r\nCOUNT=%5s\r\nBUZZER=%1d\r\n", security,
                                  id.substr(0, 4).c_str(), count.substr(0, 5).c_str(), buzzer);
    // The unit expects this check value: the first character, once per started pair of characters.
    int first = static_cast<signed char>(settings[0]);
    uint32_t check = uint32_t(first * int((settings.size() + 1) / 2)) & 0xFFFF;
    std::string text = settings + Format("CRC=%04X\r\n", unsigned(check));
    SecurityRecord record;
    record.fill(' ');
    std::memcpy(record.data(), text.data(), std::min(text.size(), record.size()));
    return record;
}

// --- the link ---

bool DeviceOps::OpenLink() {
    link_.UsbSlot = kNoDevice;
    link_.PipeIn = kNoPipe;
    link_.PipeOut = kNoPipe;
    if (!port_) return false;
    using namespace unitlink;
    DeviceHandle slot = port_->OpenMask(MatchVendorProduct, 0, 0, VendorId, ProductId, 0);
    if (slot == kNoDevice) slot = port_->OpenMask(MatchVendorProduct, 0, 0, VendorId, ProductIdAlt, 0);
    if (slot == kNoDevice) return false;
    link_.UsbSlot = slot;
    if (port_->Check(slot) != 0) {
        port_->Close(slot);
        link_.UsbSlot = kNoDevice;
        return false;
    }
    // Not tested here: a pipe that did not open makes the first transfer on it fail.
    link_.PipeIn = port_->OpenPipe(slot, 0, 0);
    link_.PipeOut = port_->OpenPipe(slot, 0, 1);
    return true;
}

void DeviceOps::CloseLink() {
    if (link_.UsbSlot == kNoDevice || !port_) return;
    port_->Close(link_.UsbSlot);
    if (link_.PipeIn != kNoPipe) port_->ClosePipe(link_.UsbSlot, link_.PipeIn);
    if (link_.PipeOut != kNoPipe) port_->ClosePipe(link_.UsbSlot, link_.PipeOut);
    link_.UsbSlot = kNoDevice;
    link_.PipeIn = kNoPipe;
    link_.PipeOut = kNoPipe;
}

std::string DeviceOps::FrameCommand(const std::string& payload) {
    std::string inner = Format("%02X%s", unsigned(payload.size()), payload.c_str());
    return Format("%c%s%c", '<', inner.c_str(), '>');
}

bool DeviceOps::SendCommand(const std::string& frame) {
    if (!port_ || link_.UsbSlot == kNoDevice) return false;
    return port_->SendData(link_.UsbSlot, uint32_t(frame.size()), reinterpret_cast<const uint8_t*>(frame.data())) ==
           1;
}

bool DeviceOps::ReceiveReply(std::string& reply) {
    reply.clear();
    replyWaitExpiredMs_ = 0;
    auto nowUs = [this]() -> uint64_t {
        if (timeouts_.NowUs) return timeouts_.NowUs();
        return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count());
    };
    const uint64_t start = nowUs();
    // Acknowledgements say the unit is busy and keep the wait going, up to the busy bound in
    // all; anything else that is not a frame only runs down the junk bound.
    const uint64_t busyEnd = start + uint64_t{timeouts_.BusyWaitMs} * 1000;
    uint64_t junkEnd = start + uint64_t{timeouts_.JunkWaitMs} * 1000;
    for (;;) {
        uint8_t buf[unitlink::ReplyRead + 1] = {};
        if (!port_ || link_.UsbSlot == kNoDevice || !port_->ReceiveData(link_.UsbSlot, unitlink::ReplyRead, buf)) {
            state_.LastResult = rc::UsbReceive;
            return false;
        }
        size_t n = strnlen(reinterpret_cast<const char*>(buf), unitlink::ReplyRead);
        if (n > 0 && buf[0] == '{' && buf[n - 1] == '}') {
            reply.assign(reinterpret_cast<const char*>(buf), n);
            state_.LastResult = HexField(reply, 7, 4);
            return state_.LastResult == 0;
        }
        // Acknowledgements and anything that is not a whole frame are skipped, for a while.
        const uint64_t now = nowUs();
        const bool busy = buf[0] == unitlink::Ack;
        if (busy) junkEnd = now + uint64_t{timeouts_.JunkWaitMs} * 1000;
        if (now >= busyEnd || (!busy && now >= junkEnd)) {
            replyWaitExpiredMs_ = now >= busyEnd ? timeouts_.BusyWaitMs : timeouts_.JunkWaitMs;
            CloseLink();
            state_.LastResult = rc::UsbReceive;
            return false;
        }
    }
}

bool DeviceOps::WriteData(const uint8_t* data, uint32_t count) {
    uint32_t done = 0;
    // A short write would lose data while reporting success, so it counts as a failure.
    return port_ && port_->WritePipe(link_.UsbSlot, link_.PipeOut, data, count, done) && done == count;
}

bool DeviceOps::WriteZeroLength() {
    static const uint8_t none = 0;
    uint32_t done = 0;
    return port_ && port_->WritePipe(link_.UsbSlot, link_.PipeOut, &none, 0, done);
}

bool DeviceOps::ReadData(uint8_t* buffer, uint32_t count) {
    uint32_t done = 0;
    // A short read would leave stale bytes in the block, so it counts as a failure.
    return port_ && port_->ReadPipe(link_.UsbSlot, link_.PipeIn, buffer, count, done) && done == count;
}

uint32_t DeviceOps::HexField(const std::string& text, size_t offset, size_t count) {
    if (count > 63) count = 63;
    if (offset >= text.size()) return 0;
    return hxw::ReadHex(std::string_view(text).substr(offset, count));
}

uint32_t DeviceOps::Fail(uint32_t code) {
    CloseLink();
    return state_.LastResult = code;
}

uint32_t DeviceOps::SendFileCommand(const UnitFileInfo& info) {
    if (!SendCommand(FrameCommand(FileCommandPayload(info)))) return Fail(rc::UsbSend);
    std::string reply;
    if (!ReceiveReply(reply)) return Fail(state_.LastResult);
    return state_.LastResult = rc::Ok;
}

// --- the operations ---

uint32_t DeviceOps::ReadUnitFileInfo(UnitFileInfo& info) {
    if (!SendCommand(FrameCommand(Format("%04X", unsigned(unitcmd::FileInfo))))) return Fail(rc::UsbSend);
    std::string reply;
    if (!ReceiveReply(reply)) return Fail(state_.LastResult);
    const size_t L = reply.size();
    // Too short to hold the fields at their places: not a reply this program can read.
    if (L < 42) return Fail(rc::UsbReceive);
    info.Name = reply.substr(11, L - 42);
    info.Size = HexField(reply, L - 31, 8);
    info.CreationTime = HexField(reply, L - 23, 8);
    info.LastWriteTime = HexField(reply, L - 15, 8);
    info.LastAccessDate = uint16_t(HexField(reply, L - 7, 4));
    info.Attributes = uint8_t(HexField(reply, L - 3, 2));
    return state_.LastResult = rc::Ok;
}

uint32_t DeviceOps::DownloadFile(const std::string& path, const std::string& name, Progress& progress) {
    hxw::File file;
    if (!file.Open(path, "rb")) return state_.LastResult = rc::FileOpen;
    hxw::FileStatus status;
    if (!hxw::ReadFileStatus(file.Handle(), path, status)) return state_.LastResult = rc::FileInfo;
    if (!status.Regular) return state_.LastResult = rc::FileOpen;
    // The size travels as eight hexadecimal digits.
    if (status.Size > 0xFFFFFFFFu) return state_.LastResult = rc::FileInfo;
    if (status.Size == 0) return state_.LastResult = rc::NoData;
    if (name.size() >= 22) return state_.LastResult = rc::NameTooLong;
    if (!OpenLink()) return state_.LastResult = rc::UsbInit;

    UnitFileInfo info;
    info.Name = name;
    info.Size = uint32_t(status.Size);
    info.CreationTime = PackFileTime(status.Creation);
    info.LastWriteTime = PackFileTime(status.LastWrite);
    info.LastAccessDate = uint16_t(PackFileTime(status.LastAccess) >> 16);
    info.Attributes = uint8_t(status.Attributes & 0xEF);
    if (uint32_t r = SendFileCommand(info)) return r;

    const uint32_t blocks = info.Size / unitlink::BlockSize;
    const uint32_t rest = info.Size % unitlink::BlockSize;
    // A last write of a whole number of 64-byte packets needs a zero-length packet to end it.
    const bool endPacket = rest == 64 || rest == 128 || rest == 192;
    progress.SetRange(0, blocks ? blocks : 10);
    uint8_t block[unitlink::BlockSize];
    for (uint32_t i = 0; i < blocks; ++i) {
        if (!file.ReadExact(block, sizeof block)) return Fail(rc::FileRead);
        if (!WriteData(block, sizeof block)) return Fail(rc::UsbReceive);
        progress.SetPos(i + 1);
    }
    if (rest) {
        if (!file.ReadExact(block, rest)) return Fail(rc::FileRead);
        if (!WriteData(block, rest)) return Fail(rc::UsbReceive);
        progress.SetPos(progress.GetRange().second);
    }
    if (endPacket) WriteZeroLength();  // its outcome does not matter

    std::string reply;
    if (!ReceiveReply(reply)) return Fail(state_.LastResult);
    file.Close();
    CloseLink();
    return state_.LastResult = rc::Ok;
}

uint32_t DeviceOps::UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) {
    if (!OpenLink()) return state_.LastResult = rc::UsbInit;
    UnitFileInfo info;
    if (uint32_t r = ReadUnitFileInfo(info)) return r;
    if (info.Size == 0) return Fail(rc::NoData);

    const uint32_t blocks = info.Size / unitlink::BlockSize;
    const uint32_t rest = info.Size % unitlink::BlockSize;
    progress.SetRange(0, blocks);

    // The name comes from the unit: it must name a file inside the chosen folder.
    if (!IsSafeUnitFileName(info.Name)) return Fail(rc::FileOpen);
    const std::string target = folder + info.Name;
    // The file is written aside and put in place at the end; what would stop it being created
    // under its own name (a folder of that name, a file that cannot be written) is found here,
    // before the unit sends anything.
    if (!hxw::CanReplaceFile(target)) return Fail(rc::FileOpen);
    hxw::AtomicReplace save(target);
    hxw::File file;
    if (!save.Begin() || !file.Open(save.TempPath(), "wb")) return Fail(rc::FileOpen);
    // Every failure from here on leaves no partial file and any earlier file as it was.
    auto discard = [&](uint32_t code) {
        file.Close();
        save.Discard();
        return Fail(code);
    };

    if (!SendCommand(FrameCommand(Format("%04X", unsigned(unitcmd::Upload))))) return discard(rc::UsbSend);
    // The unit needs a moment before its first block.
    if (uploadPauseMs_) std::this_thread::sleep_for(std::chrono::milliseconds(uploadPauseMs_));

    uint8_t block[unitlink::BlockSize + 1];
    for (uint32_t i = 0; i < blocks; ++i) {
        if (!ReadData(block, unitlink::BlockSize)) return discard(rc::UsbReceive);
        if (!file.Write(block, unitlink::BlockSize)) return discard(rc::FileWrite);
        progress.SetPos(i + 1);
    }
    if (rest) {
        if (!ReadData(block, rest)) return discard(rc::UsbReceive);
        progress.SetPos(progress.GetRange().second);
        if (!file.Write(block, rest)) return discard(rc::FileWrite);
    }

    std::string reply;
    if (!ReceiveReply(reply)) return discard(state_.LastResult);
    if (!file.Close()) return discard(rc::FileWrite);
    if (!save.Commit()) return discard(rc::FileWrite);
    CloseLink();
    nameOut = info.Name;
    return state_.LastResult = rc::Ok;
}

uint32_t DeviceOps::SendSecurityRecord(const SecurityRecord& record) {
    if (!OpenLink()) return state_.LastResult = rc::UsbInit;
    UnitFileInfo info;
    info.Name = kSecurityName;
    info.Size = uint32_t(record.size());
    if (uint32_t r = SendFileCommand(info)) return r;
    const uint32_t half = uint32_t(record.size() / 2);
    if (!WriteData(record.data(), half) || !WriteData(record.data() + half, half))
        return Fail(rc::UsbReceive);
    std::string reply;
    if (!ReceiveReply(reply)) return Fail(state_.LastResult);
    CloseLink();
    return state_.LastResult = rc::Ok;
}
