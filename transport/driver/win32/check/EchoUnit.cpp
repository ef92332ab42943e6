// A loopback unit behind the emulated driver, for dorlink_pipe_check: control data sent is
// returned by the next device-to-host request, and every write to pipe 1 comes back on pipe 0
// (a zero-length write comes back as the three bytes "ZLP", so it can be seen).
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "transport/driver/DorlinkExports.h"
#include "transport/driver/win32/EmulatedWinDriverOs.h"

namespace {

class EchoUnit : public transport::EmulatedDevice {
  public:
    bool DeviceDescriptor(transport::DeviceDescriptorBytes& out) override {
        out = transport::MakeDeviceDescriptor(0x1079, 0x0002).ToBytes();
        return true;
    }
    bool ControlIn(const transport::ControlSetup& setup, uint8_t* data) override {
        std::memset(data, 0, setup.length);
        std::memcpy(data, last_.data(), std::min<std::size_t>(last_.size(), setup.length));
        return true;
    }
    bool ControlOut(const transport::ControlSetup& setup, const uint8_t* data) override {
        last_.assign(data, data + setup.length);
        return true;
    }
    transport::PipeDirection Pipe(uint8_t interfaceNumber, uint8_t pipeNumber) override {
        if (interfaceNumber != 0) return transport::PipeDirection::None;
        if (pipeNumber == 0) return transport::PipeDirection::In;
        if (pipeNumber == 1) return transport::PipeDirection::Out;
        return transport::PipeDirection::None;
    }
    bool PipeWrite(uint8_t, uint8_t, const uint8_t* data, std::size_t length) override {
        if (length == 0)
            queue_.push_back({'Z', 'L', 'P'});
        else
            queue_.emplace_back(data, data + length);
        return true;
    }
    bool PipeRead(uint8_t, uint8_t, uint8_t* data, std::size_t capacity, std::size_t& got) override {
        got = 0;
        if (queue_.empty()) return true;
        got = std::min(capacity, queue_.front().size());
        std::memcpy(data, queue_.front().data(), got);
        queue_.pop_front();
        return true;
    }

  private:
    std::vector<uint8_t> last_;
    std::deque<std::vector<uint8_t>> queue_;
};

}  // namespace

transport::DriverOs& DorlinkDriverOs() {
    static EchoUnit unit;
    static transport::EmulatedWinDriverOs os;
    static const bool attached = (os.Attach(unit), true);
    (void)attached;
    return os;
}
