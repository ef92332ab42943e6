// The wait for a reply frame is bounded: acknowledgements (busy) keep it going up to the busy
// bound, anything else that is not a frame only up to the junk bound; then 0x4002, link closed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "tests/support/DeviceTestSupport.h"

namespace {
using Clock = std::chrono::steady_clock;

// Answers every control read with what `script` gives for the time since the first read.
class TimedPort : public ScriptPort {
  public:
    std::string (*script)(std::chrono::milliseconds since) = nullptr;
    int reads = 0;
    int32_t ReceiveData(DeviceHandle, uint32_t length, uint8_t* buffer) override {
        if (reads++ == 0) start_ = Clock::now();
        std::string r = script(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_));
        std::memset(buffer, 0, length);
        std::memcpy(buffer, r.data(), std::min<size_t>(r.size(), length));
        return 1;
    }

  private:
    Clock::time_point start_;
};

const std::string kAck(1, '\x06');
const std::string kJunk = "{0000000";  // a frame without its "}"

TEST(ReplyWait, EndsAtItsBoundWithTheLinkClosed) {
    using ms = std::chrono::milliseconds;
    struct Case {
        const char* name;
        std::string (*script)(ms);
        LinkTimeouts bounds;
        bool ok;
        uint32_t expired;  // the bound the wait ran out of, 0 when it ended with a frame
    } cases[] = {
        {"acknowledgements for ever", [](ms) { return kAck; }, {5000, 40, 150}, false, 150},
        {"junk for ever", [](ms) { return kJunk; }, {5000, 40, 10000}, false, 40},
        {"empty reads for ever", [](ms) { return std::string(); }, {5000, 40, 10000}, false, 40},
        {"acknowledgements outlast the junk bound, then a frame",
         [](ms t) { return t < ms(120) ? kAck : std::string("{xxxxxx0000}"); },
         {5000, 30, 10000},
         true,
         0},
        {"junk after acknowledgements runs down the junk bound",
         [](ms t) { return t < ms(60) ? kAck : kJunk; },
         {5000, 30, 10000},
         false,
         30},
        {"a frame with the unit's code",
         [](ms) { return std::string("{xxxxxx0E07}"); },
         {5000, 30, 100},
         false,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedPort port;
        port.script = c.script;
        HxwConverter ops;
        ops.SetUnitPort(&port);
        ops.SetLinkTimeouts(c.bounds);
        ASSERT_TRUE(ops.OpenLink());
        std::string reply;
        EXPECT_EQ(ops.ReceiveReply(reply), c.ok);
        EXPECT_EQ(ops.ReplyWaitExpiredMs(), c.expired);
        if (c.expired) {
            EXPECT_EQ(ops.LastResult, rc::UsbReceive);
            EXPECT_FALSE(port.open) << "the link is closed";
            EXPECT_EQ(ops.UsbSlot, kNoDevice);
        }
    }
}

TEST(ReplyWait, DefaultBoundsAndTheCommandLinesSingleBound) {
    LinkTimeouts d;
    EXPECT_EQ(d.TransferMs, 5000u);
    EXPECT_EQ(d.JunkWaitMs, 30000u);
    EXPECT_EQ(d.BusyWaitMs, 600000u);
    LinkTimeouts all = LinkTimeouts::All(250);
    EXPECT_EQ(all.TransferMs, 250u);
    EXPECT_EQ(all.JunkWaitMs, 250u);
    EXPECT_EQ(all.BusyWaitMs, 250u);
}

// With a scripted clock the wait's end is a count of reads: each read below takes 1 ms of it.
uint64_t g_clockUs = 0;
class TickingPort : public ScriptPort {
  public:
    std::string answer;
    int reads = 0;
    int32_t ReceiveData(DeviceHandle, uint32_t length, uint8_t* buffer) override {
        ++reads;
        g_clockUs += 1000;
        std::memset(buffer, 0, length);
        std::memcpy(buffer, answer.data(), std::min<size_t>(answer.size(), length));
        return 1;
    }
};

TEST(ReplyWait, AScriptedClockEndsTheWaitAfterItsBoundInReads) {
    const struct {
        std::string answer;
        int reads;
        uint32_t expired;
    } cases[] = {{kJunk, 40, 40}, {kAck, 150, 150}, {std::string(), 40, 40}};
    for (const auto& c : cases) {
        TickingPort port;
        port.answer = c.answer;
        HxwConverter ops;
        ops.SetUnitPort(&port);
        ops.SetLinkTimeouts(LinkTimeouts{5000, 40, 150, [] { return g_clockUs; }});
        ASSERT_TRUE(ops.OpenLink());
        std::string reply;
        EXPECT_FALSE(ops.ReceiveReply(reply));
        EXPECT_EQ(port.reads, c.reads);
        EXPECT_EQ(ops.ReplyWaitExpiredMs(), c.expired);
        EXPECT_FALSE(port.open);
    }
}

TEST(ReplyWait, AnAcknowledgementStormEndsAnOperationWith4002) {
    TimedPort port;
    port.script = [](std::chrono::milliseconds) { return kAck; };
    HxwConverter ops;
    ops.SetUnitPort(&port);
    ops.SetLinkTimeouts(LinkTimeouts::All(50));
    ASSERT_TRUE(ops.OpenLink());
    UnitFileInfo info;
    EXPECT_EQ(ops.ReadUnitFileInfo(info), rc::UsbReceive);
    EXPECT_FALSE(port.open);
    EXPECT_EQ(port.pipesOpen, 0);
}
}  // namespace
