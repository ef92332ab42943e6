// The Dorlink core over an emulated kernel driver with fake units attached, as its tests use it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FakeUnit.h"
#include "transport/driver/DorlinkCore.h"
#include "transport/driver/EmulatedDriverOs.h"

namespace transport {

using namespace dorlink;

inline EmulatedDriverOs::Options Refused() {
    EmulatedDriverOs::Options o;
    o.refuseOpen = true;
    return o;
}
inline EmulatedDriverOs::Options Exclusive() {
    EmulatedDriverOs::Options o;
    o.exclusive = true;
    return o;
}
inline EmulatedDriverOs::Options AtPath(const std::string& path) {
    EmulatedDriverOs::Options o;
    o.path = path;
    return o;
}

class DorlinkTest : public ::testing::Test {
  protected:
    EmulatedDriverOs os;
    DorlinkCore core{os};

    FakeUnit& Add(UsbDeviceDescriptor d = MakeDeviceDescriptor(0x1079, 0x0002),
                  EmulatedDriverOs::Options o = EmulatedDriverOs::Options()) {
        units.push_back(std::make_unique<FakeUnit>(d));
        os.Attach(*units.back(), o);
        return *units.back();
    }
    int32_t OpenUnit(int32_t product = 0x0002) { return core.OpenMask(0x0C, 0, 0, 0x1079, product, 0); }
    std::vector<EmulatedDriverOs::IoCall> CallsWith(uint32_t code) const {
        std::vector<EmulatedDriverOs::IoCall> out;
        for (auto& c : os.Calls())
            if (c.code == code) out.push_back(c);
        return out;
    }

    std::vector<std::unique_ptr<FakeUnit>> units;
};

}  // namespace transport
