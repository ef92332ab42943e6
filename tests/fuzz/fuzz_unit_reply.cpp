// The unit's replies as the link reads them: reply frames, acknowledgements, junk, short and
// overlong reads, the file-information fields and the name the upload would use. The input is
// cut into reads at every 0xFF byte (each read gets up to 64 of its bytes); what follows the
// reads is the unit-to-host bulk data of the upload.
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzTempDir.h"
#include "device/DeviceOps.h"
#include "device/UnitPort.h"

namespace {
class ReplayPort final : public UnitPort {
  public:
    std::deque<std::string> reads;
    std::string bulk;

    DeviceHandle OpenMask(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
    void Close(DeviceHandle) override {}
    PipeHandle OpenPipe(DeviceHandle, uint32_t, uint32_t pipe) override { return PipeHandle(pipe) + 1; }
    int32_t Check(DeviceHandle) override { return 0; }
    int32_t SendData(DeviceHandle, uint32_t, const uint8_t*) override { return 1; }
    int32_t ReceiveData(DeviceHandle, uint32_t length, uint8_t* buffer) override {
        if (reads.empty()) return 0;
        std::memset(buffer, 0, length);
        std::memcpy(buffer, reads.front().data(), std::min<size_t>(length, reads.front().size()));
        reads.pop_front();
        return 1;
    }
    bool WritePipe(DeviceHandle, PipeHandle, const uint8_t*, uint32_t count, uint32_t& done) override {
        done = count;
        return true;
    }
    bool ReadPipe(DeviceHandle, PipeHandle, uint8_t* buffer, uint32_t count, uint32_t& done) override {
        done = uint32_t(std::min<size_t>(count, bulk.size()));
        std::memcpy(buffer, bulk.data(), done);
        bulk.erase(0, done);
        return true;
    }
    void ClosePipe(DeviceHandle, PipeHandle) override {}
};

void Split(const uint8_t* data, size_t size, ReplayPort& port) {
    std::string current;
    size_t i = 0;
    for (; i < size && port.reads.size() < 8; ++i) {
        if (data[i] == 0xFF) {
            port.reads.push_back(current.substr(0, 64));
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    port.reads.push_back(current.substr(0, 64));
    // Bulk data: at most a few blocks, so a claimed size of gigabytes ends quickly.
    port.bulk.assign(reinterpret_cast<const char*>(data) + i, std::min<size_t>(size - i, 2048));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        ReplayPort port;
        Split(data, size, port);
        DeviceOps ops;
        ops.SetUnitPort(&port);
        if (ops.OpenLink()) {
            UnitFileInfo info;
            if (ops.ReadUnitFileInfo(info) == 0) {
                // Fields are taken from the end of a frame of at most 64 characters.
                if (info.Name.size() > 64 - 42) __builtin_trap();
                ops.CloseLink();
            }
        }
    }
    {
        ReplayPort port;
        Split(data, size, port);
        const fuzzdir::Scope dir;
        const std::string folder = dir.Path("up") + "/";
        std::filesystem::create_directories(folder);
        DeviceOps ops;
        ops.SetUnitPort(&port);
        ops.SetUploadPause(0);
        NullProgress progress;
        std::string name;
        if (ops.UploadFile(folder, name, progress) == 0) {
            // Whatever the unit calls its file, it lands inside the chosen folder.
            if (!IsSafeUnitFileName(name) || !std::filesystem::exists(folder + name)) __builtin_trap();
        }
        if (ops.UsbSlot != -1) __builtin_trap();
    }
    return 0;
}
