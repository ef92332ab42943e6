// Source reading, pre-scan and conversion of every type on arbitrary source text. The first byte
// picks the type and the domain; images are kept small so each input stays fast.
#include <cstdint>
#include <cstdlib>

#include "FuzzTempDir.h"
#include "engine/HxwConverter.h"
#include "base/ResultCodes.h"

namespace {
using Engine = HxwConverter;
constexpr uint8_t kTypes[] = {Normal, Series720, Series4500, Byte4Mode, Byte8Mode};
constexpr uint32_t kMaxSpan = 1u << 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    const uint8_t type = kTypes[control % 5];
    const bool manual = (control & 0x08) && (type == Normal || type == Series720 || type == Series4500);
    const fuzzdir::Scope dir;
    const std::string source = dir.Path("src"), hxw = dir.Path("out.hxw");
    fuzzdir::Write(source, data + 1, size - 1);

    Engine engine;
    engine.SetUpperHalfPath(dir.Path("Hxw.tmp"));
    NullProgress progress;
    if (!engine.PrescanSource(source, type)) return 0;
    if (engine.LowestAddress > engine.HighestAddress) std::abort();  // success means data was found
    uint32_t start = engine.LowestAddress, end = engine.HighestAddress;
    if (manual) {
        // A domain around the data, a little off to cut records at both ends.
        start = engine.LowestAddress + (control >> 4);
        end = start + ((control >> 2) & 3) * 0x40;
        if (!engine.CheckDomain(type, start, end)) return 0;
    } else if (end - start >= kMaxSpan) {
        return 0;
    }
    if ((type == Normal && !manual) || type == Byte4Mode || type == Byte8Mode) {
        // The one-walk conversions must equal the general passes in result and in every byte.
        Engine fast, general;
        fast.SetUpperHalfPath(dir.Path("Hxw.tmp"));
        general.SetUpperHalfPath(dir.Path("Hxw.tmp"));
        general.SetFastPaths(false);
        // The one walk reads the source in two halves, split where the control byte says.
        fast.SetSplitAt((size - 1) * ((control >> 4) + 1) / 17);
        const std::string a = dir.Path("fast.hxw"), b = dir.Path("general.hxw");
        const uint32_t ra = fast.CreateHxwFile(source, a, type, Auto, 0, 0, progress);
        const uint32_t rb = general.CreateHxwFile(source, b, type, Auto, 0, 0, progress);
        if (ra != rb || fast.LastCheckSum != general.LastCheckSum || fast.LineCount != general.LineCount ||
            fuzzdir::Read(a) != fuzzdir::Read(b))
            std::abort();
    }
    if (!engine.ConvertSource(source, hxw, type, manual ? Manual : Auto, start, end, progress)) return 0;
    // Whatever was written must check out by the checksum reader with the same sum.
    const uint16_t written = engine.LastCheckSum;
    if (engine.CheckSumFile(hxw, 0, 0, false, 0, 0) != rc::Ok || engine.LastCheckSum != written) std::abort();
    return 0;
}
