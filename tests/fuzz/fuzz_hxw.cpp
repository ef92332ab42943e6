// The HXW reader of the checksum operations on arbitrary files: header lines, address fields,
// type and mode byte, short bodies. The first byte picks the kind and the domain.
#include <cstdint>

#include "FuzzTempDir.h"
#include "engine/HxwConverter.h"

namespace {
using Engine = HxwConverter;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t kind = data[0] % 3;
    const bool manual = data[0] & 0x4;
    const uint32_t start = data[1] * 0x10u, end = start + data[2];
    const fuzzdir::Scope dir;
    const std::string path = dir.Path("in.hxw");
    fuzzdir::Write(path, data + 3, size - 3);
    Engine engine;
    engine.CheckSumFile(path, kind, 0xFFFF, manual, start, end);
    if (data[0] & 0x80) engine.SumImage(path, data[0] & 0x40 ? 1 : 0, true);
    if (data[0] & 0x20) engine.SumWordModeImage(path, false);
    return 0;
}
