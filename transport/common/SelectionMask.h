// The open functions' selection mask: each set bit makes one descriptor field take part in the
// match; clear bits accept any value.
#pragma once
#include <cstdint>

#include "transport/common/UsbDescriptor.h"

namespace transport {

enum SelectionBit : uint32_t {
    kSelectClass = 0x01,
    kSelectSubClass = 0x02,
    kSelectVendor = 0x04,
    kSelectProduct = 0x08,
    kSelectRelease = 0x10,
};

// The six arguments of an open call, as the caller passed them.
struct Selection {
    int32_t mask = 0;
    int32_t deviceClass = 0;
    int32_t deviceSubClass = 0;
    int32_t vendorId = 0;
    int32_t productId = 0;
    int32_t release = 0;
};

// How much of the sixth argument is compared with bcdDevice: Dorlink widens its low 8 bits
// (so only releases 0x0000-0x00FF can match), Fenlink takes the low 16 bits.
enum class ReleaseWidth { Bits8, Bits16 };

bool MatchesSelection(const Selection& selection, const UsbDeviceDescriptor& descriptor, ReleaseWidth width);

}  // namespace transport
