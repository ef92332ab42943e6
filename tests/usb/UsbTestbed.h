// A umockdev test bed with emulated units on it: each unit is a USB device node whose ioctls
// (the URBs libusb submits, reaps and discards) are served by the project's UnitEmulator. A
// program started with ChildEnvironment() (libumockdev-preload and the bed's UMOCKDEV_DIR) sees
// the units as real devices through the real libusb.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/emulator/UnitEmulator.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

// What the device does besides being the unit; the unit's own faults are UnitFaults.
struct UsbFaults {
    bool AcksOnly = false;         // every control read answers 0x06 (busy), for ever
    bool ShortReplies = false;     // control reads return only the reply's text, not 64 bytes
    bool HangBulk = false;         // bulk transfers are never answered (the host's time-out ends them)
    uint32_t UnplugAfterBulk = 0;  // after this many bulk transfers the device is gone (0: never)
    bool InterfaceBusy = false;    // another program holds the interface
    bool NoAccess = false;         // the device node may not be opened by the user
};

struct UsbUnitSetup {
    uint16_t ProductId = 0x0002;
    uint8_t Port = 2;    // the place is 1-Port
    std::string Serial;  // none when empty
    UnitFaults Unit;
    UsbFaults Usb;
};

class UsbUnitDevice;

class UsbTestbed {
  public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // Adds a unit keeping its file in unitFolder; returns it for inspection.
    UsbUnitDevice& Add(const UsbUnitSetup& setup, const std::string& unitFolder);
    // The environment a child process needs to see the bed.
    std::vector<std::string> ChildEnvironment() const;
    const std::string& Root() const { return root_; }
    // Every device's record of requests it did not know (must stay empty).
    std::vector<std::string> UnknownRequests() const;

  private:
    UMockdevTestbed* bed_ = nullptr;
    std::string root_;
    std::vector<std::unique_ptr<UsbUnitDevice>> units_;
};

class UsbUnitDevice {
  public:
    UsbUnitDevice(const UsbUnitSetup& setup, const std::string& folder, uint8_t address);
    ~UsbUnitDevice();

    UnitEmulator& Unit() { return unit_; }
    const UsbUnitSetup& Spec() const { return spec_; }
    std::string NodePath() const;  // "/dev/bus/usb/001/00N"
    std::string Record() const;    // the umockdev text record of the device
    UMockdevIoctlBase* Handler() const { return handler_; }

    // What went over the wire, for tests.
    uint32_t VendorRequests() const;  // control requests of the link (0x41 / 0xC1)
    uint32_t BulkTransfers() const;
    uint32_t Discards() const;
    std::vector<std::string> UnknownRequests() const;

    bool HandleIoctl(UMockdevIoctlClient* client);

  private:
    struct Urb {
        UMockdevIoctlData* Data = nullptr;    // the usbdevfs_urb, resolved
        UMockdevIoctlData* Buffer = nullptr;  // its buffer, resolved
        unsigned long ClientAddress = 0;
        uint8_t Type = 0, Endpoint = 0;
    };
    void Finish(Urb& urb, int status, int actual);
    void ServeControl(Urb& urb);
    bool TryBulkIn(Urb& urb);
    void Release(Urb& urb);
    std::vector<uint8_t> Descriptors() const;
    std::vector<uint8_t> ConfigDescriptor() const;
    std::vector<uint8_t> DeviceDescriptor() const;

    UsbUnitSetup spec_;
    UnitEmulator unit_;
    uint8_t address_;
    UMockdevIoctlBase* handler_ = nullptr;
    mutable std::mutex mutex_;
    std::deque<Urb> pending_;   // submitted, not finished (bulk IN waiting for data, hung ones)
    std::deque<Urb> finished_;  // finished, not yet reaped
    bool claimed_ = false;
    bool gone_ = false;
    uint32_t vendorRequests_ = 0, bulkTransfers_ = 0, discards_ = 0;
    std::vector<std::string> unknown_;
};
