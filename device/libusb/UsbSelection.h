// What the libusb port decides from descriptors alone: which device the selection mask picks,
// which endpoint a pipe number names, and which attached unit a user's choice names. Kept apart
// from the port so it can be checked without a device.
#pragma once
#include <cstdint>
#include <string>

struct libusb_config_descriptor;

// The identity fields of a USB device descriptor the selection mask can compare.
struct UsbIdentity {
    uint8_t DeviceClass = 0;
    uint8_t DeviceSubClass = 0;
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;
    uint16_t Release = 0;  // bcdDevice
};

// Mask bits 0x01 class, 0x02 subclass, 0x04 vendor, 0x08 product, 0x10 release (16 bits); a
// clear bit accepts any value.
bool MatchesSelection(const UsbIdentity& device, uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass,
                      uint32_t vendorId, uint32_t productId, uint32_t release);

// Pipe n of an interface: the n-th (from 0) bulk or interrupt endpoint of its alternate
// setting 0, in descriptor order. The endpoint address, or -1 when there is none.
int PipeEndpoint(const libusb_config_descriptor& config, uint8_t interfaceNumber, uint8_t n);

// "BUS-PORT[.PORT...]" as Linux names a device's place ("1-4", "3-1.2").
std::string PortPathText(uint8_t bus, const uint8_t* ports, int count);

// The part after "usb:" of --unit: a place ("1-4.2") or a serial number. A place is a bus
// number, "-", and dot-separated port numbers.
bool LooksLikePortPath(const std::string& choice);
