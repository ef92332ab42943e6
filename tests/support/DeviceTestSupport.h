// Fixtures shared by the device tests: the temporary folder, a progress bar that records its
// calls, and the scripted port that plays back fixed control replies.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "device/UnitPort.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 1) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = uint8_t(seed + i * 7 + (i >> 8));
    return data;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A unit that answers control reads from a list, takes every write, and records what it got.
class ScriptPort : public UnitPort {
  public:
    std::deque<std::string> replies;  // each one control read; an empty list fails the read
    std::vector<std::string> sent;
    bool open = false;
    int pipesOpen = 0;

    DeviceHandle OpenMask(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override {
        open = true;
        return 3;
    }
    void Close(DeviceHandle) override { open = false; }
    PipeHandle OpenPipe(DeviceHandle, uint32_t, uint32_t pipe) override {
        ++pipesOpen;
        return 0x40 + PipeHandle(pipe);
    }
    int32_t Check(DeviceHandle) override { return 0; }
    int32_t SendData(DeviceHandle, uint32_t length, const uint8_t* buffer) override {
        sent.emplace_back(reinterpret_cast<const char*>(buffer), length);
        return 1;
    }
    int32_t ReceiveData(DeviceHandle, uint32_t length, uint8_t* buffer) override {
        if (replies.empty()) return 0;
        std::string r = replies.front();
        replies.pop_front();
        std::memset(buffer, 0, length);
        std::memcpy(buffer, r.data(), std::min<size_t>(r.size(), length));
        return 1;
    }
    bool WritePipe(DeviceHandle, PipeHandle, const uint8_t*, uint32_t count, uint32_t& done) override {
        done = count;
        return true;
    }
    bool ReadPipe(DeviceHandle, PipeHandle, uint8_t* buffer, uint32_t count, uint32_t& done) override {
        std::memset(buffer, 0x5A, count);
        done = count;
        return true;
    }
    void ClosePipe(DeviceHandle, PipeHandle) override { --pipesOpen; }
};
