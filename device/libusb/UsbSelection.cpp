#include "device/libusb/UsbSelection.h"

#include <libusb.h>

#include <cctype>

#include "transport/common/SelectionMask.h"

bool MatchesSelection(const libusb_device_descriptor& device, uint32_t mask, uint32_t deviceClass,
                      uint32_t deviceSubClass, uint32_t vendorId, uint32_t productId, uint32_t release) {
    transport::UsbDeviceDescriptor d;
    d.bDeviceClass = device.bDeviceClass;
    d.bDeviceSubClass = device.bDeviceSubClass;
    d.idVendor = device.idVendor;
    d.idProduct = device.idProduct;
    d.bcdDevice = device.bcdDevice;
    const transport::Selection s{int32_t(mask),      int32_t(deviceClass), int32_t(deviceSubClass),
                                 int32_t(vendorId),  int32_t(productId),   int32_t(release)};
    return transport::MatchesSelection(s, d, transport::ReleaseWidth::Bits16);
}

int PipeEndpoint(const libusb_config_descriptor& config, uint8_t interfaceNumber, uint8_t n) {
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& itf = config.interface[i];
        if (itf.num_altsetting < 1) continue;
        // Alternate setting 0 is the one in force after the interface is claimed.
        const libusb_interface_descriptor* alt0 = nullptr;
        for (int a = 0; a < itf.num_altsetting; ++a) {
            if (itf.altsetting[a].bAlternateSetting == 0) {
                alt0 = &itf.altsetting[a];
                break;
            }
        }
        if (!alt0 || alt0->bInterfaceNumber != interfaceNumber) continue;
        int seen = 0;
        for (int e = 0; e < alt0->bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& ep = alt0->endpoint[e];
            const int type = ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
            if (type != LIBUSB_TRANSFER_TYPE_BULK && type != LIBUSB_TRANSFER_TYPE_INTERRUPT) continue;
            if (seen++ == n) return ep.bEndpointAddress;
        }
        return -1;
    }
    return -1;
}

std::string PortPathText(uint8_t bus, const uint8_t* ports, int count) {
    std::string text = std::to_string(bus);
    for (int i = 0; i < count; ++i) {
        text += i == 0 ? '-' : '.';
        text += std::to_string(ports[i]);
    }
    return text;
}

bool LooksLikePortPath(const std::string& choice) {
    const size_t dash = choice.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == choice.size()) return false;
    for (size_t i = 0; i < dash; ++i)
        if (!std::isdigit(static_cast<unsigned char>(choice[i]))) return false;
    bool digit = false;
    for (size_t i = dash + 1; i < choice.size(); ++i) {
        const char c = choice[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else if (c == '.' && digit) {
            digit = false;
        } else {
            return false;
        }
    }
    return digit;
}
