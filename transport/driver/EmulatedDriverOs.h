// An emulated kernel driver: a DriverOs over a list of EmulatedDevice objects, in process.
// Device handles and (here) pipe handles are tokens of this object; ReadPipe/WritePipe stand in
// for the operating system's file calls on a pipe handle. The driver records what it was asked,
// so tests can check the exact bytes the core sent; the record keeps the latest kRecordLimit
// calls and paths only, since a program polling the unit for minutes makes millions of calls.
#pragma once
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "transport/driver/DriverOs.h"
#include "transport/driver/EmulatedDevice.h"

namespace transport {

class EmulatedDriverOs : public DriverOs {
  public:
    struct Options {
        std::string path;         // empty: a made-up interface path per device
        bool refuseOpen = false;  // the device object cannot be opened
        bool exclusive = false;   // a second open of the device object is refused
    };

    struct IoCall {
        OsHandle handle;
        uint32_t code;
        std::vector<uint8_t> input;
        uint32_t outSize;
        bool ok;
    };

    static constexpr std::size_t kRecordLimit = 4096;

    EmulatedDriverOs() = default;
    ~EmulatedDriverOs() override = default;

    // Devices appear in the interface class in the order they are attached. The device must
    // outlive this object (or be detached first).
    void Attach(EmulatedDevice& device, Options options);
    void Attach(EmulatedDevice& device) { Attach(device, Options()); }
    void Detach(EmulatedDevice& device);
    // The interface path of an attached device ("" when not attached).
    std::string PathOf(const EmulatedDevice& device) const;

    Lookup InterfacePath(uint32_t index, std::string& path) override;
    OsHandle OpenPath(const std::string& path) override;
    bool IoControl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                   uint32_t outSize) override;
    void CloseHandle(OsHandle handle) override;

    // The host side of a pipe handle, as ReadFile/WriteFile would use it.
    bool WritePipe(OsHandle pipe, const void* data, std::size_t length);
    bool ReadPipe(OsHandle pipe, void* data, std::size_t capacity, std::size_t& got);

    // What happened so far (the latest kRecordLimit of each).
    std::vector<IoCall> Calls() const;
    std::vector<std::string> OpenedPaths() const;
    int OpenHandleCount() const;
    void ClearLog();

  protected:
    struct Attached {
        EmulatedDevice* device;
        Options options;
    };
    struct Opened {
        EmulatedDevice* device;
        bool isPipe;
        uint8_t interfaceNumber;
        uint8_t pipeNumber;
        PipeDirection direction;
        uint64_t serial = 0;  // tells a reused handle value from the one registered first
    };

    // Finds the attached device and pipe a path names; false when it names none.
    bool ResolvePath(const std::string& path, Attached*& target, bool& isPipe, uint8_t& interfaceNumber,
                     uint8_t& pipeNumber);
    // Subclasses that hand out real handles for pipes register them here.
    // (call these with mutex_ held)
    void RegisterHandle(OsHandle handle, const Opened& opened);
    void ForgetHandle(OsHandle handle, uint64_t serial);
    void LogOpen(const std::string& path);
    bool FindHandle(OsHandle handle, Opened& opened) const;

    // Serialises every call into the devices, and guards the tables.
    mutable std::mutex mutex_;

  private:
    bool Dispatch(const Opened& target, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                  uint32_t outSize);

    std::vector<Attached> devices_;
    std::map<OsHandle, Opened> handles_;
    OsHandle nextHandle_ = 0x1001;
    // Counts the device-object handles of a device and starts or ends its session.
    void DeviceHandleOpened(EmulatedDevice* device);
    void DeviceHandleClosed(EmulatedDevice* device);

    std::deque<IoCall> calls_;
    std::deque<std::string> opened_;
    std::map<EmulatedDevice*, int> deviceHandles_;
    int madeUp_ = 0;
};

}  // namespace transport
