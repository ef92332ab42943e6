#include "transport/common/SelectionMask.h"

namespace transport {

bool MatchesSelection(const Selection& s, const UsbDeviceDescriptor& d, ReleaseWidth width) {
    const uint32_t mask = static_cast<uint32_t>(s.mask);
    if ((mask & kSelectClass) && d.bDeviceClass != static_cast<uint8_t>(s.deviceClass)) return false;
    if ((mask & kSelectSubClass) && d.bDeviceSubClass != static_cast<uint8_t>(s.deviceSubClass)) return false;
    if ((mask & kSelectVendor) && d.idVendor != static_cast<uint16_t>(s.vendorId)) return false;
    if ((mask & kSelectProduct) && d.idProduct != static_cast<uint16_t>(s.productId)) return false;
    if (mask & kSelectRelease) {
        const uint16_t wanted = width == ReleaseWidth::Bits8
                                    ? static_cast<uint16_t>(static_cast<uint8_t>(s.release))
                                    : static_cast<uint16_t>(s.release);
        if (d.bcdDevice != wanted) return false;
    }
    return true;
}

}  // namespace transport
