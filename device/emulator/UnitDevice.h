// The unit emulator as the unit's kernel driver sees it: the USB device behind the emulated
// driver, so the production Dorlink core (in tests, and in the emulated Dorlink.dll) talks to it.
#pragma once
#include "device/emulator/UnitEmulator.h"
#include "transport/driver/EmulatedDevice.h"

class UnitDevice : public transport::EmulatedDevice {
  public:
    // The unit is attached for the device's whole life; a refused open makes the device
    // unreadable, a failed check makes it not answer. Each time the driver opens the device
    // the unit starts a session (its fault counters count from 1 again) and the last close
    // ends it.
    explicit UnitDevice(UnitEmulator& unit);
    ~UnitDevice() override;

    void SessionStart() override;
    void SessionEnd() override;

    bool DeviceDescriptor(transport::DeviceDescriptorBytes& out) override;
    bool AttachValue(uint32_t& value) override;
    bool ControlIn(const transport::ControlSetup& setup, uint8_t* data) override;
    bool ControlOut(const transport::ControlSetup& setup, const uint8_t* data) override;
    transport::PipeDirection Pipe(uint8_t interfaceNumber, uint8_t pipeNumber) override;
    bool PipeWrite(uint8_t interfaceNumber, uint8_t pipeNumber, const uint8_t* data,
                   std::size_t length) override;
    bool PipeRead(uint8_t interfaceNumber, uint8_t pipeNumber, uint8_t* data, std::size_t capacity,
                  std::size_t& got) override;

  private:
    // The unit's text protocol rides on vendor requests to the interface, request 0.
    static bool IsUnitRequest(const transport::ControlSetup& setup);

    UnitEmulator& unit_;
};
