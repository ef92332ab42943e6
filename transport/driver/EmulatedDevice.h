// The unit's USB side as the unit's kernel driver sees it. Subclass it to put a device behind
// EmulatedDriverOs (native tests) or EmulatedWinDriverOs (a variant Dorlink.dll under Wine).
//
// The driver serialises every call into one device (one lock per driver), so implementations
// need no locking of their own, and must not block: PipeRead returns what is ready now.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "transport/common/UsbDescriptor.h"
#include "transport/driver/DorlinkProtocol.h"

namespace transport {

// A class or vendor control request as the driver decoded it from the ControlRequest header.
struct ControlSetup {
    dorlink::RequestKind kind = dorlink::RequestKind::Vendor;
    int recipient = 0;  // 0 device, 1 interface, 2 endpoint, 3 other
    bool deviceToHost = false;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;  // data-stage length
};

enum class PipeDirection { None, In /* device to host */, Out /* host to device */ };

class EmulatedDevice {
  public:
    virtual ~EmulatedDevice() = default;

    // Request 0x220014 with type 1. false = the request fails.
    virtual bool DeviceDescriptor(DeviceDescriptorBytes& out) = 0;
    // Request 0x220014 with type 2; the driver copies at most the caller's buffer size.
    virtual bool ConfigurationDescriptor(std::vector<uint8_t>& out) {
        out = {9, 2, 9, 0, 0, 1, 0, 0x80, 50};  // one configuration, no interfaces
        return true;
    }
    // Request 0x220020: recipient 0 device or 2 endpoint, index 0 or the endpoint.
    virtual bool GetStatus(uint16_t /*recipient*/, uint16_t /*index*/, uint16_t& status) {
        status = 0;
        return true;
    }
    // Request 0x220018: the 32-bit attach value; false = the request fails.
    virtual bool AttachValue(uint32_t& value) {
        value = 1;
        return true;
    }

    // Device to host: fill data[0 .. setup.length); false = the request fails (stall).
    virtual bool ControlIn(const ControlSetup& setup, uint8_t* data) = 0;
    // Host to device: setup.length bytes of data (none for a zero-length request).
    virtual bool ControlOut(const ControlSetup& setup, const uint8_t* data) = 0;

    // Which way a pipe of an interface runs; None = the pipe path cannot be opened.
    virtual PipeDirection Pipe(uint8_t interfaceNumber, uint8_t pipeNumber) = 0;
    // One write by the host (may be zero bytes); false = the write fails.
    virtual bool PipeWrite(uint8_t interfaceNumber, uint8_t pipeNumber, const uint8_t* data,
                           std::size_t length) = 0;
    // Up to capacity bytes the device has ready for the host, as one transfer; got = 0 when
    // nothing is ready yet. false = the pipe is broken.
    virtual bool PipeRead(uint8_t interfaceNumber, uint8_t pipeNumber, uint8_t* data, std::size_t capacity,
                          std::size_t& got) = 0;

    // The driver's device object was opened while no handle to it was open, and its last handle
    // was closed: one session of the device (pipe handles do not count).
    virtual void SessionStart() {}
    virtual void SessionEnd() {}

    virtual bool ResetDevice() { return true; }
    virtual bool ResetPipe(uint8_t /*interfaceNumber*/, uint8_t /*pipeNumber*/) { return true; }
    virtual bool SetTimeout(uint32_t /*value*/) { return true; }
};

}  // namespace transport
