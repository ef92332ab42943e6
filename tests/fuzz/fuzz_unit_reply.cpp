// The unit's replies as the link reads them: reply frames, acknowledgements, junk, short and
// overlong reads, long runs of acknowledgements or junk, the file-information fields and the
// name the upload would use. The input is cut into reads at every 0xFF byte (each read gets up
// to 64 of its bytes). A piece that begins with 0xFE and two count bytes (low byte first) is one
// read given that many times over, so a short input can keep the link waiting for a long time;
// a piece that begins with 0xFD ends the reads, and the bytes after it are the unit-to-host bulk
// data of the upload.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>

#include "FuzzTempDir.h"
#include "engine/HxwConverter.h"
#include "device/LinkTimeouts.h"
#include "device/UnitPort.h"

namespace {
// The reply wait's clock: every read takes 20 us of it, so a wait ends after a number of reads
// that does not depend on the machine, and an input runs as fast as its reads.
uint64_t g_now = 0;
uint64_t ScriptedNow() { return g_now; }

class ReplayPort final : public UnitPort {
  public:
    // One scripted read, given Times times in a row; produced as asked, never queued up front.
    struct Read {
        std::string Bytes;
        uint32_t Times = 1;
    };
    std::deque<Read> reads;
    std::string bulk;

    DeviceHandle OpenMask(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
    void Close(DeviceHandle) override {}
    PipeHandle OpenPipe(DeviceHandle, uint32_t, uint32_t pipe) override { return PipeHandle(pipe) + 1; }
    int32_t Check(DeviceHandle) override { return 0; }
    int32_t SendData(DeviceHandle, uint32_t, const uint8_t*) override { return 1; }
    int32_t ReceiveData(DeviceHandle, uint32_t length, uint8_t* buffer) override {
        g_now += 20;
        if (reads.empty()) return 0;
        const Read& read = reads.front();
        std::memset(buffer, 0, length);
        std::memcpy(buffer, read.Bytes.data(), std::min<size_t>(length, read.Bytes.size()));
        if (--reads.front().Times == 0) reads.pop_front();
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

// Enough pieces for every exchange of an operation, and runs long enough to outlast the reply
// wait's bounds as the target sets them (100 reads of junk, 250 of acknowledgements), while an
// input still ends in a fraction of a second.
constexpr size_t kMaxPieces = 64;
constexpr uint32_t kMaxScriptedReads = 1u << 12;
// Bounds a long scripted run can outlast (the real ones are seconds and minutes).
constexpr LinkTimeouts kShortWaits{50, 2, 5, ScriptedNow};

void AddRead(ReplayPort& port, const std::string& piece, uint32_t& total) {
    ReplayPort::Read read;
    if (piece.size() >= 3 && uint8_t(piece[0]) == 0xFE) {
        read.Times = uint32_t(uint8_t(piece[1])) | uint32_t(uint8_t(piece[2])) << 8;
        read.Bytes = piece.substr(3, 64);
    } else {
        read.Bytes = piece.substr(0, 64);
    }
    read.Times = std::min(read.Times, kMaxScriptedReads - total);
    if (read.Times == 0) return;
    total += read.Times;
    port.reads.push_back(std::move(read));
}

void Split(const uint8_t* data, size_t size, ReplayPort& port) {
    std::string current;
    uint32_t total = 0;
    size_t pieces = 0;
    size_t i = 0;
    bool bulkMark = false;
    for (; i < size && pieces < kMaxPieces - 1; ++i) {
        if (current.empty() && data[i] == 0xFD) {
            bulkMark = true;
            ++i;
            break;
        }
        if (data[i] == 0xFF) {
            AddRead(port, current, total);
            current.clear();
            ++pieces;
        } else {
            current += char(data[i]);
        }
    }
    if (!bulkMark) AddRead(port, current, total);
    // Bulk data: at most a few blocks, so a claimed size of gigabytes ends quickly.
    port.bulk.assign(reinterpret_cast<const char*>(data) + i, std::min<size_t>(size - i, 2048));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        ReplayPort port;
        Split(data, size, port);
        HxwConverter ops;
        ops.SetUnitPort(&port);
        ops.SetLinkTimeouts(kShortWaits);
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
        HxwConverter ops;
        ops.SetUnitPort(&port);
        ops.SetLinkTimeouts(kShortWaits);
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
