#include "transport/driver/EmulatedDriverOs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace transport {

using namespace dorlink;

namespace {

// "\ifNNNpipeNNN" with three decimal digits each, values 0-255.
bool ParsePipeSuffix(const std::string& s, uint8_t& interfaceNumber, uint8_t& pipeNumber) {
    if (s.size() != 13 || s.compare(0, 3, "\\if") != 0 || s.compare(6, 4, "pipe") != 0) return false;
    auto number = [&](std::size_t at, uint8_t& v) {
        int n = 0;
        for (std::size_t i = at; i < at + 3; ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            n = n * 10 + (s[i] - '0');
        }
        if (n > 255) return false;
        v = static_cast<uint8_t>(n);
        return true;
    };
    return number(3, interfaceNumber) && number(10, pipeNumber);
}

}  // namespace

void EmulatedDriverOs::Attach(EmulatedDevice& device, Options options) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (options.path.empty()) {
        char path[96];
        std::snprintf(path, sizeof path, "\\\\?\\emulated#dorlink#%d#{31303033-5355-4750-4a50-42524f56494b}",
                      madeUp_++);
        options.path = path;
    }
    devices_.push_back({&device, options});
}

void EmulatedDriverOs::Detach(EmulatedDevice& device) {
    std::lock_guard<std::mutex> guard(mutex_);
    std::erase_if(devices_, [&](const Attached& a) { return a.device == &device; });
    // Handles of a vanished device fail from now on, as with a pulled cable.
    std::erase_if(handles_, [&](const auto& h) { return h.second.device == &device; });
    auto open = deviceHandles_.find(&device);
    if (open != deviceHandles_.end()) {
        deviceHandles_.erase(open);
        device.SessionEnd();
    }
}

std::string EmulatedDriverOs::PathOf(const EmulatedDevice& device) const {
    std::lock_guard<std::mutex> guard(mutex_);
    for (const auto& a : devices_)
        if (a.device == &device) return a.options.path;
    return {};
}

DriverOs::Lookup EmulatedDriverOs::InterfacePath(uint32_t index, std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (index >= devices_.size()) return Lookup::NoDevice;
    path = devices_[index].options.path;
    return Lookup::Found;
}

bool EmulatedDriverOs::ResolvePath(const std::string& path, Attached*& target, bool& isPipe,
                                   uint8_t& interfaceNumber, uint8_t& pipeNumber) {
    for (auto& a : devices_) {
        const std::string& base = a.options.path;
        if (path == base) {
            target = &a;
            isPipe = false;
            return true;
        }
        if (path.size() > base.size() && path.compare(0, base.size(), base) == 0 &&
            ParsePipeSuffix(path.substr(base.size()), interfaceNumber, pipeNumber)) {
            target = &a;
            isPipe = true;
            return true;
        }
    }
    return false;
}

OsHandle EmulatedDriverOs::OpenPath(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    LogOpen(path);
    Attached* target = nullptr;
    bool isPipe = false;
    uint8_t interfaceNumber = 0, pipeNumber = 0;
    if (!ResolvePath(path, target, isPipe, interfaceNumber, pipeNumber) || target->options.refuseOpen)
        return kInvalidHandle;
    Opened opened{target->device, isPipe, interfaceNumber, pipeNumber, PipeDirection::None, 0};
    if (isPipe) {
        opened.direction = target->device->Pipe(interfaceNumber, pipeNumber);
        if (opened.direction == PipeDirection::None) return kInvalidHandle;
    } else if (target->options.exclusive) {
        for (const auto& h : handles_)
            if (h.second.device == target->device && !h.second.isPipe) return kInvalidHandle;
    }
    const OsHandle handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = opened;
    if (!isPipe) DeviceHandleOpened(target->device);
    return handle;
}

void EmulatedDriverOs::CloseHandle(OsHandle handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    const Opened closed = it->second;
    handles_.erase(it);
    if (!closed.isPipe) DeviceHandleClosed(closed.device);
}

void EmulatedDriverOs::DeviceHandleOpened(EmulatedDevice* device) {
    if (deviceHandles_[device]++ == 0) device->SessionStart();
}

void EmulatedDriverOs::DeviceHandleClosed(EmulatedDevice* device) {
    auto it = deviceHandles_.find(device);
    if (it == deviceHandles_.end()) return;
    if (--it->second == 0) {
        deviceHandles_.erase(it);
        device->SessionEnd();
    }
}

void EmulatedDriverOs::LogOpen(const std::string& path) {
    // The record is for tests; running out of memory for it must not fail the open.
    try {
        if (opened_.size() >= kRecordLimit) opened_.pop_front();
        opened_.push_back(path);
    } catch (...) {
    }
}

void EmulatedDriverOs::RegisterHandle(OsHandle handle, const Opened& opened) { handles_[handle] = opened; }

void EmulatedDriverOs::ForgetHandle(OsHandle handle, uint64_t serial) {
    auto it = handles_.find(handle);
    if (it != handles_.end() && it->second.serial == serial) handles_.erase(it);
}

bool EmulatedDriverOs::FindHandle(OsHandle handle, Opened& opened) const {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    opened = it->second;
    return true;
}

bool EmulatedDriverOs::IoControl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                                 uint32_t outSize) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto* input = static_cast<const uint8_t*>(in);
    Opened target{};
    bool ok = false;
    if (FindHandle(handle, target)) ok = Dispatch(target, code, input, inSize, static_cast<uint8_t*>(out), outSize);
    // Only the latest calls are kept, and a record that cannot be made is left out: a program
    // that polls for minutes must neither grow this without end nor fail for it.
    try {
        IoCall call{handle, code, {}, outSize, ok};
        if (input != nullptr) call.input.assign(input, input + inSize);
        if (calls_.size() >= kRecordLimit) calls_.pop_front();
        calls_.push_back(std::move(call));
    } catch (...) {
    }
    return ok;
}

bool EmulatedDriverOs::Dispatch(const Opened& target, uint32_t code, const uint8_t* in, uint32_t inSize,
                                uint8_t* out, uint32_t outSize) {
    EmulatedDevice& device = *target.device;
    if (code == kIoResetPipe)
        return target.isPipe && device.ResetPipe(target.interfaceNumber, target.pipeNumber);
    if (target.isPipe) return false;  // every other request goes to the device object

    auto word = [&](uint32_t at) { return static_cast<uint16_t>(in[at] | in[at + 1] << 8); };
    switch (code) {
        case kIoResetDevice:
            return device.ResetDevice();
        case kIoControlIn:
        case kIoControlOut: {
            if (in == nullptr || inSize < kControlRequestSize) return false;
            const auto header = dorlink::ControlRequest::Decode(in);
            ControlSetup setup;
            if (!DecodeFunction(header.function, setup.kind, setup.recipient)) return false;
            setup.deviceToHost = code == kIoControlIn;
            if (header.direction != (setup.deviceToHost ? kDirectionIn : kDirectionOut)) return false;
            setup.request = header.request;
            setup.value = header.value;
            setup.index = header.index;
            if (setup.deviceToHost) {
                if (inSize != kControlRequestSize || outSize > 0xFFFF || (out == nullptr && outSize != 0))
                    return false;
                setup.length = static_cast<uint16_t>(outSize);
                return device.ControlIn(setup, out);
            }
            if (inSize - kControlRequestSize > 0xFFFF) return false;
            setup.length = static_cast<uint16_t>(inSize - kControlRequestSize);
            return device.ControlOut(setup, in + kControlRequestSize);
        }
        case kIoGetDescriptor: {
            if (in == nullptr || inSize != 4 || out == nullptr) return false;
            if (in[0] == 1) {
                DeviceDescriptorBytes d{};
                if (!device.DeviceDescriptor(d)) return false;
                std::memcpy(out, d.data(), std::min<std::size_t>(d.size(), outSize));
                return true;
            }
            if (in[0] == 2) {
                std::vector<uint8_t> c;
                if (!device.ConfigurationDescriptor(c)) return false;
                std::memcpy(out, c.data(), std::min<std::size_t>(c.size(), outSize));
                return true;
            }
            return false;
        }
        case kIoGetAttached: {
            uint32_t value = 0;
            if (out == nullptr || outSize < 4 || !device.AttachValue(value)) return false;
            std::memcpy(out, &value, 4);
            return true;
        }
        case kIoGetStatus: {
            uint16_t status = 0;
            if (in == nullptr || inSize != 4 || out == nullptr || outSize < 2) return false;
            if (!device.GetStatus(word(0), word(2), status)) return false;
            out[0] = static_cast<uint8_t>(status);
            out[1] = static_cast<uint8_t>(status >> 8);
            return true;
        }
        case kIoSetTimeout: {
            if (in == nullptr || inSize != 4) return false;
            return device.SetTimeout(static_cast<uint32_t>(word(0)) | static_cast<uint32_t>(word(2)) << 16);
        }
        default:
            return false;
    }
}

bool EmulatedDriverOs::WritePipe(OsHandle pipe, const void* data, std::size_t length) {
    std::lock_guard<std::mutex> guard(mutex_);
    Opened target{};
    if (!FindHandle(pipe, target) || !target.isPipe || target.direction != PipeDirection::Out) return false;
    return target.device->PipeWrite(target.interfaceNumber, target.pipeNumber,
                                    static_cast<const uint8_t*>(data), length);
}

bool EmulatedDriverOs::ReadPipe(OsHandle pipe, void* data, std::size_t capacity, std::size_t& got) {
    std::lock_guard<std::mutex> guard(mutex_);
    got = 0;
    Opened target{};
    if (!FindHandle(pipe, target) || !target.isPipe || target.direction != PipeDirection::In) return false;
    return target.device->PipeRead(target.interfaceNumber, target.pipeNumber, static_cast<uint8_t*>(data),
                                   capacity, got);
}

std::vector<EmulatedDriverOs::IoCall> EmulatedDriverOs::Calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return {calls_.begin(), calls_.end()};
}

std::vector<std::string> EmulatedDriverOs::OpenedPaths() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return {opened_.begin(), opened_.end()};
}

int EmulatedDriverOs::OpenHandleCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int>(handles_.size());
}

void EmulatedDriverOs::ClearLog() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
    opened_.clear();
}

}  // namespace transport
