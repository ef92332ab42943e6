// The unit through libusb-1.0 (Linux, macOS): the port finds the device by the selection mask,
// claims interface 0, carries the link's control data as vendor requests to the interface and
// its bulk data on the interface's endpoints, every transfer with a time-out.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/UnitPort.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

// One attached unit as `tessmark-cli devices` lists it.
struct UsbUnitEntry {
    uint8_t Bus = 0;
    std::string Place;  // "BUS-PORT[.PORT...]"
    uint16_t ProductId = 0;
    std::string Serial;  // empty when the unit has none (or it could not be read)
    int OpenError = 0;   // 0 when this user may open it, else the libusb error of the open
};

class LibusbPort final : public UnitPort {
  public:
    static constexpr int kMaxOpen = 128;

    LibusbPort();
    ~LibusbPort() override;
    LibusbPort(const LibusbPort&) = delete;
    LibusbPort& operator=(const LibusbPort&) = delete;

    // The bound of every single transfer (5000 ms unless told).
    void SetTransferTimeout(uint32_t ms) { transferMs_ = ms ? ms : 1; }
    uint32_t TransferTimeout() const { return transferMs_; }
    // Restricts the open to the unit at a place ("1-4.2") or with a serial number; "" for any.
    void SetChoice(const std::string& choice) { choice_ = choice; }

    // A device handle is a slot of the port's table (0-127); a pipe handle is the endpoint address.
    DeviceHandle OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                          uint32_t productId, uint32_t release) override;
    void Close(DeviceHandle device) override;
    PipeHandle OpenPipe(DeviceHandle device, uint32_t interfaceNumber, uint32_t pipeNumber) override;
    int32_t Check(DeviceHandle device) override;
    int32_t SendData(DeviceHandle device, uint32_t length, const uint8_t* buffer) override;
    int32_t ReceiveData(DeviceHandle device, uint32_t length, uint8_t* buffer) override;
    bool WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override;
    bool ReadPipe(DeviceHandle device, PipeHandle pipe, uint8_t* buffer, uint32_t count,
                  uint32_t& done) override;
    void ClosePipe(DeviceHandle device, PipeHandle pipe) override;

    // The units attached now (vendor 1079, product 0002 or 0100), by place, each tried for an
    // open. Empty when libusb could not start (see StartProblem).
    std::vector<UsbUnitEntry> ListUnits();
    // Why libusb could not start; empty when it did.
    std::string StartProblem();
    // The libusb error of the last failed transfer or open (0 when none failed since the
    // last successful open).
    int LastError() const { return lastError_; }

  private:
    struct Slot {
        libusb_device_handle* Handle = nullptr;
        libusb_device* Device = nullptr;
        uint32_t Claimed = 0;                    // bit n: interface n claimed
        uint32_t Detached = 0;                   // bit n: a kernel driver was detached from interface n
        std::array<uint8_t, 32> EndpointType{};  // by endpoint index, for opened pipes
        uint32_t OpenedPipes = 0;                // bit per endpoint index
    };
    bool Start();
    Slot* Open(DeviceHandle device);
    bool Claim(Slot& s, uint8_t interfaceNumber);
    bool ChoiceFits(libusb_device* device, libusb_device_handle* handle) const;
    bool Transfer(DeviceHandle device, PipeHandle pipe, uint8_t direction, uint8_t* data, uint32_t count,
                  uint32_t& done);

    libusb_context* context_ = nullptr;
    int startError_ = 0;
    bool started_ = false;
    uint32_t transferMs_ = 5000;
    std::string choice_;
    int lastError_ = 0;
    std::array<Slot, kMaxOpen> slots_{};
};

// A sentence for a libusb error a user may meet ("permission denied", "busy", ...).
std::string LibusbErrorText(int error);
