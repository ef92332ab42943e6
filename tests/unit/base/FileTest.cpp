// Writing through File: what was written is what the file holds, whether or not its data are
// sent on their way to the device as it grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/File.h"
#include "tests/support/TempFolder.h"

namespace {

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out[i] = static_cast<uint8_t>(seed >> 24);
    }
    return out;
}

TEST(File, EarlyWriteBackKeepsEveryByteAndTheLaterOverwrite) {
    TempFolder dir;
    // Steps below, at and above the write sizes; 0 is no early write-back at all.
    for (const uint64_t step : {uint64_t{0}, uint64_t{1}, uint64_t{4096}, uint64_t{65536}, uint64_t{1} << 30}) {
        SCOPED_TRACE(step);
        const std::string path = dir.file("out.bin");
        std::vector<uint8_t> expected = Pattern(3 << 20, static_cast<uint32_t>(step));
        hxw::File file;
        ASSERT_TRUE(file.Open(path, "wb"));
        file.WriteBackEvery(step);
        // Writes of many sizes, small ones the stream holds back among them.
        size_t at = 0;
        for (size_t n = 1; at < expected.size(); n = n * 3 % 100003 + 7) {
            const size_t part = std::min(n, expected.size() - at);
            ASSERT_TRUE(file.Write(expected.data() + at, part));
            at += part;
        }
        // A header put in last, as the images get theirs.
        const std::vector<uint8_t> header = Pattern(512, 99);
        ASSERT_TRUE(file.Seek(0));
        ASSERT_TRUE(file.Write(header.data(), header.size()));
        ASSERT_TRUE(file.Close());
        std::copy(header.begin(), header.end(), expected.begin());
        const std::string held = dir.Read("out.bin");
        EXPECT_TRUE(held == std::string(expected.begin(), expected.end()));
    }
}

}  // namespace
