// The link to the unit and the four device operations.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/SharedState.h"
#include "device/LinkTimeouts.h"
#include "device/UnitPort.h"

// The unit's description of the file it holds: the tail of the download command and the
// answer of the file information request.
struct UnitFileInfo {
    std::string Name;  // at most 21 characters
    uint32_t Size = 0;
    uint32_t CreationTime = 0;    // DOS date-time
    uint32_t LastWriteTime = 0;   // DOS date-time
    uint16_t LastAccessDate = 0;  // DOS date
    uint8_t Attributes = 0;
};

using SecurityRecord = std::array<uint8_t, 512>;

// security, buzzer: 0 or 1; id and count as the page holds them.
SecurityRecord BuildSecurityRecord(int security, const std::string& id, const std::string& count, int buzzer);

// Packs a local calendar time as a DOS date-time; times before 1980 or after 2107 are held
// at the nearest end of the range the format can carry.
uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second);

// The command codes the unit understands.
namespace unitcmd {
constexpr uint32_t FileInfo = 0x1A80;
constexpr uint32_t Download = 0x3200;
constexpr uint32_t Upload = 0x3201;
}  // namespace unitcmd

// The unit's identity and the link's fixed sizes.
namespace unitlink {
constexpr uint32_t VendorId = 0x1079;
constexpr uint32_t ProductId = 0x0002;
constexpr uint32_t ProductIdAlt = 0x0100;
constexpr uint32_t MatchVendorProduct = 0x0C;
constexpr uint32_t ReplyRead = 64;
constexpr uint32_t BlockSize = 256;
constexpr uint8_t Ack = 0x06;
}  // namespace unitlink

// A name the unit reports is used as a file name in the operator's folder: it must name one
// file inside it, the same file on every system. Refused: empty, "." and "..", separators,
// drive colons, control characters, Windows device names (CON, PRN, AUX, NUL, COM0-9, LPT0-9,
// CONIN$, CONOUT$, with any extension) and names ending in a dot or a space (Windows drops
// those and would write another file). Anything else is a name, "x..y" included.
bool IsSafeUnitFileName(const std::string& name);

// The open link: the unit's slot and the two pipes of interface 0.
struct LinkState {
    DeviceHandle UsbSlot = kNoDevice;
    PipeHandle PipeIn = kNoPipe;   // interface 0, pipe 0: unit to host
    PipeHandle PipeOut = kNoPipe;  // interface 0, pipe 1: host to unit
};

// The device part of the engine: result codes go to the engine's shared state, the open link to
// its link state.
class DeviceOps {
  public:
    DeviceOps(SharedState& state, LinkState& link) : state_(state), link_(link) {}
    DeviceOps(const DeviceOps&) = delete;
    DeviceOps& operator=(const DeviceOps&) = delete;

    // The transport the operations use; without one every open fails with 0x4000.
    void SetUnitPort(UnitPort* port) { port_ = port; }
    UnitPort* Port() const { return port_; }
    // The pause between the upload command and the first block (10 ms; tests may shorten it).
    void SetUploadPause(uint32_t milliseconds) { uploadPauseMs_ = milliseconds; }
    // How long a reply wait may last (the transfer bound is the port's own business).
    void SetLinkTimeouts(const LinkTimeouts& timeouts) { timeouts_ = timeouts; }
    const LinkTimeouts& Timeouts() const { return timeouts_; }
    // The bound in milliseconds the last reply wait ran out of; 0 when it ended otherwise.
    uint32_t ReplyWaitExpiredMs() const { return replyWaitExpiredMs_; }

    // Needs an open link; leaves it open on success and closed on failure.
    uint32_t ReadUnitFileInfo(UnitFileInfo& info);
    // name: the file name without its folder, as the unit is to store it.
    uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress);
    // folder ends in a path separator; nameOut receives the unit's file name on success.
    uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress);
    uint32_t SendSecurityRecord(const SecurityRecord& record);

    // The link. Each operation opens it and closes it on every exit.
    bool OpenLink();
    void CloseLink();
    // "<" + two-digit length + payload + ">".
    static std::string FrameCommand(const std::string& payload);
    bool SendCommand(const std::string& frame);
    // Waits for one reply frame "{...}", skipping acknowledgements and anything that is not a
    // frame; leaves its result field in LastResult and the frame's text in reply. Reads are
    // polled back to back; a wait that sees no acknowledgement for JunkWaitMs, or that lasts
    // BusyWaitMs in all, ends with 0x4002 and the link closed.
    bool ReceiveReply(std::string& reply);
    bool WriteData(const uint8_t* data, uint32_t count);
    bool WriteZeroLength();
    bool ReadData(uint8_t* buffer, uint32_t count);
    // count characters (1-63) of text from offset, read as lenient hexadecimal; characters
    // past the end of the text count as absent.
    static uint32_t HexField(const std::string& text, size_t offset, size_t count);

  private:
    SharedState& state_;
    LinkState& link_;
    UnitPort* port_ = nullptr;
    uint32_t uploadPauseMs_ = 10;
    LinkTimeouts timeouts_;
    uint32_t replyWaitExpiredMs_ = 0;
    uint32_t Fail(uint32_t code);
    uint32_t SendFileCommand(const UnitFileInfo& info);
};
