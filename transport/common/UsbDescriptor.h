// The standard 18-byte USB device descriptor, read from its little-endian wire bytes.
#pragma once
#include <array>
#include <cstdint>

namespace transport {

constexpr std::size_t kDeviceDescriptorSize = 18;
using DeviceDescriptorBytes = std::array<uint8_t, kDeviceDescriptorSize>;

struct UsbDeviceDescriptor {
    uint8_t bLength = 0;
    uint8_t bDescriptorType = 0;
    uint16_t bcdUSB = 0;
    uint8_t bDeviceClass = 0;
    uint8_t bDeviceSubClass = 0;
    uint8_t bDeviceProtocol = 0;
    uint8_t bMaxPacketSize0 = 0;
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint16_t bcdDevice = 0;
    uint8_t iManufacturer = 0;
    uint8_t iProduct = 0;
    uint8_t iSerialNumber = 0;
    uint8_t bNumConfigurations = 0;

    static UsbDeviceDescriptor FromBytes(const uint8_t* b) {
        UsbDeviceDescriptor d;
        d.bLength = b[0];
        d.bDescriptorType = b[1];
        d.bcdUSB = static_cast<uint16_t>(b[2] | b[3] << 8);
        d.bDeviceClass = b[4];
        d.bDeviceSubClass = b[5];
        d.bDeviceProtocol = b[6];
        d.bMaxPacketSize0 = b[7];
        d.idVendor = static_cast<uint16_t>(b[8] | b[9] << 8);
        d.idProduct = static_cast<uint16_t>(b[10] | b[11] << 8);
        d.bcdDevice = static_cast<uint16_t>(b[12] | b[13] << 8);
        d.iManufacturer = b[14];
        d.iProduct = b[15];
        d.iSerialNumber = b[16];
        d.bNumConfigurations = b[17];
        return d;
    }

    DeviceDescriptorBytes ToBytes() const {
        return {bLength,
                bDescriptorType,
                static_cast<uint8_t>(bcdUSB),
                static_cast<uint8_t>(bcdUSB >> 8),
                bDeviceClass,
                bDeviceSubClass,
                bDeviceProtocol,
                bMaxPacketSize0,
                static_cast<uint8_t>(idVendor),
                static_cast<uint8_t>(idVendor >> 8),
                static_cast<uint8_t>(idProduct),
                static_cast<uint8_t>(idProduct >> 8),
                static_cast<uint8_t>(bcdDevice),
                static_cast<uint8_t>(bcdDevice >> 8),
                iManufacturer,
                iProduct,
                iSerialNumber,
                bNumConfigurations};
    }
};

// A plausible descriptor for a device with the given identity (USB 2.0, 64-byte EP0).
inline UsbDeviceDescriptor MakeDeviceDescriptor(uint16_t vendorId, uint16_t productId, uint16_t release = 0,
                                                uint8_t deviceClass = 0, uint8_t deviceSubClass = 0) {
    UsbDeviceDescriptor d;
    d.bLength = 18;
    d.bDescriptorType = 1;
    d.bcdUSB = 0x0200;
    d.bDeviceClass = deviceClass;
    d.bDeviceSubClass = deviceSubClass;
    d.bMaxPacketSize0 = 64;
    d.idVendor = vendorId;
    d.idProduct = productId;
    d.bcdDevice = release;
    d.bNumConfigurations = 1;
    return d;
}

}  // namespace transport
