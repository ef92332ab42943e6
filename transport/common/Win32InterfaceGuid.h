// The unit's interface class as the Windows setup API takes it.
#pragma once
#include <windows.h>

#include <cstring>

#include "transport/common/InterfaceGuid.h"

namespace transport {

inline GUID ClassGuid() {
    GUID g;
    static_assert(sizeof g == sizeof kInterfaceGuid);
    std::memcpy(&g, &kInterfaceGuid, sizeof g);
    return g;
}

}  // namespace transport
