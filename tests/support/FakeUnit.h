// A configurable EmulatedDevice for the Dorlink tests: identity, status and attach answers,
// recorded control requests, an echo of the last host-to-device data, and byte-queue pipes.
#pragma once
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "transport/driver/EmulatedDevice.h"

namespace transport {

class FakeUnit : public EmulatedDevice {
  public:
    explicit FakeUnit(UsbDeviceDescriptor d = MakeDeviceDescriptor(0x1079, 0x0002)) : descriptor(d) {}

    UsbDeviceDescriptor descriptor;
    bool descriptorFails = false;
    int statusFailures = 0;  // this many status requests fail before one succeeds (-1: all fail)
    int statusRequests = 0;
    bool attachFails = false;
    uint32_t attachValue = 1;
    std::vector<uint8_t> configuration = {9, 2, 32, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, 2, 0xFF, 0, 0, 0};
    bool controlFails = false;

    struct Seen {
        ControlSetup setup;
        std::vector<uint8_t> data;
    };
    std::vector<Seen> control;
    std::vector<uint8_t> reply;  // what a device-to-host request returns (repeated/cut to length)

    std::map<std::pair<int, int>, PipeDirection> pipes = {{{0, 0}, PipeDirection::In},
                                                          {{0, 1}, PipeDirection::Out}};
    std::vector<std::vector<uint8_t>> written;  // host writes, one entry per write
    std::deque<std::vector<uint8_t>> toHost;    // transfers queued for the host

    bool DeviceDescriptor(DeviceDescriptorBytes& out) override {
        if (descriptorFails) return false;
        out = descriptor.ToBytes();
        return true;
    }
    bool ConfigurationDescriptor(std::vector<uint8_t>& out) override {
        out = configuration;
        return true;
    }
    bool GetStatus(uint16_t, uint16_t, uint16_t& status) override {
        ++statusRequests;
        if (statusFailures < 0) return false;
        if (statusFailures > 0) {
            --statusFailures;
            return false;
        }
        status = 0;
        return true;
    }
    bool AttachValue(uint32_t& value) override {
        value = attachValue;
        return !attachFails;
    }
    bool ControlIn(const ControlSetup& setup, uint8_t* data) override {
        control.push_back({setup, {}});
        if (controlFails) return false;
        for (uint16_t i = 0; i < setup.length; ++i) data[i] = reply.empty() ? 0 : reply[i % reply.size()];
        return true;
    }
    bool ControlOut(const ControlSetup& setup, const uint8_t* data) override {
        control.push_back({setup, std::vector<uint8_t>(data, data + setup.length)});
        return !controlFails;
    }
    PipeDirection Pipe(uint8_t i, uint8_t p) override {
        auto it = pipes.find({i, p});
        return it == pipes.end() ? PipeDirection::None : it->second;
    }
    bool PipeWrite(uint8_t, uint8_t, const uint8_t* data, std::size_t length) override {
        written.emplace_back(data, data + length);
        return true;
    }
    bool PipeRead(uint8_t, uint8_t, uint8_t* data, std::size_t capacity, std::size_t& got) override {
        got = 0;
        if (toHost.empty()) return true;
        auto& front = toHost.front();
        got = std::min(capacity, front.size());
        std::copy(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(got), data);
        toHost.pop_front();
        return true;
    }
};

}  // namespace transport
