// 4Byte and 8Byte Mode: 256-byte data blocks, each followed by the attributes of its addresses.
#include <algorithm>
#include <cstring>

#include "base/File.h"
#include "convert/ConversionOps.h"
#include "convert/ConvertCommon.h"
#include "convert/ImageWriter.h"
#include "convert/RecordWalk.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

namespace {
constexpr uint8_t kAttrBlank = 0x00;
constexpr uint8_t kAttrPad = 0x80;

// The blank body: data FF with attribute 00, except the pad before the lowest address in block 0
// (data 00, attribute 80).
hxw::ImageWriter::BlankFill WordModeBlank(uint32_t pad) {
    return [pad](uint8_t* p, uint64_t offset, size_t n) {
        // Whole half blocks: data FF, attributes 00.
        for (size_t i = 0; i < n;) {
            const uint64_t j = (offset + i) % 512;
            const size_t run = std::min<size_t>(static_cast<size_t>((j < 256 ? 256 : 512) - j), n - i);
            std::memset(p + i, j < 256 ? 0xFF : kAttrBlank, run);
            i += run;
        }
        // The pad at the start of block 0.
        for (uint64_t o = 0; o < pad; ++o) {
            if (o >= offset && o - offset < n) p[o - offset] = 0x00;
            if (o + 256 >= offset && o + 256 - offset < n) p[o + 256 - offset] = kAttrPad;
        }
    };
}

// The layout of a word-mode image of lowest..highest; false when its length wraps 2^32.
struct WordModeLayout {
    uint32_t base;
    uint64_t addresses;
    uint64_t bodySize;
};

bool LayoutFor(uint32_t lowest, uint32_t highest, WordModeLayout& layout) {
    layout.base = lowest & 0xFFFFFFF0u;
    layout.addresses = uint64_t{highest} - layout.base + 1;
    layout.bodySize = (layout.addresses + 255) / 256 * 512;
    return lowest <= highest && layout.addresses <= 0xFFFFFFFFu;
}
}  // namespace

uint8_t ConversionOps::WriteUnit(uint32_t address, uint16_t remaining, uint8_t mode) {
    if (mode == 4) return (address % 4 == 0 && remaining >= 3) ? 4 : 1;
    return (address % 8 == 0 && remaining >= 7) ? 8 : 1;
}

uint32_t ConversionOps::CreateWordModeImage(const std::string& hxw, uint8_t mode, uint32_t lowest,
                                            uint32_t highest) {
    if (mode != 4 && mode != 8) return rc::Ok;
    WordModeLayout layout;
    if (!LayoutFor(lowest, highest, layout)) return state_.LastResult = rc::Address;
    hxw::File out;
    if (!hxw::OpenImageFile(out, hxw)) return state_.LastResult = rc::FileOpen;
    if (!hxw::WriteHeaderBlock(out, layout.base, highest, "2")) return state_.LastResult = rc::FileWrite;
    hxw::ImageWriter image(out, 512, layout.bodySize, WordModeBlank(lowest - layout.base));
    if (!image.Finish() || !out.Close()) return state_.LastResult = rc::FileWrite;
    return rc::Ok;
}

namespace {
// The word modes: each source byte inside lowest..highest goes into its block, its attribute 256
// bytes further on.
class WordModeVisitor : public hxw::RecordVisitor {
  public:
    WordModeVisitor(hxw::ImageWriter& image, uint8_t mode, uint32_t lowest, uint32_t highest, uint32_t base)
        : image_(image), mode_(mode), lowest_(lowest), highest_(highest), base_(base) {}

    uint32_t Record(const hxw::DataRecord& record) {
        hxw::DecodeBytes(record, bytes_);
        const size_t m = record.Count;
        // What WriteUnit gives byte by byte: a unit mark on every aligned address with a whole unit
        // left in the record, 1 elsewhere.
        std::memset(attributes_, 1, m);
        for (size_t i = (0u - record.Address) & (mode_ - 1u); i + mode_ <= m; i += mode_)
            attributes_[i] = mode_;
        // Runs of addresses inside one block: data bytes, then their attributes 256 further on.
        size_t i = 0;
        while (i < m) {
            const uint64_t address = uint64_t{record.Address} + i;
            if (address < lowest_ ||
                address > highest_) {  // only from a source that changed since the pre-scan
                ++i;
                continue;
            }
            const uint64_t d = address - base_;
            const size_t inBlock = static_cast<size_t>(d % 256);
            size_t run = std::min<size_t>(m - i, 256 - inBlock);
            run = static_cast<size_t>(std::min<uint64_t>(run, uint64_t{highest_} - address + 1));
            const uint64_t offset = (d / 256) * 512 + inBlock;
            if (!image_.Write(offset, bytes_ + i, run) || !image_.Write(offset + 256, attributes_ + i, run))
                return rc::FileWrite;
            i += run;
        }
        return hxw::kWalkOn;
    }

  private:
    hxw::ImageWriter& image_;
    uint8_t mode_;
    uint32_t lowest_;
    uint32_t highest_;
    uint32_t base_;
    uint8_t bytes_[256];
    uint8_t attributes_[256];
};
}  // namespace

uint32_t ConversionOps::ConvertWordMode(const std::string& hxw, hxw::File& source, uint8_t mode,
                                        hxw::SourceFormat format, Progress& progress) {
    if (mode != 4 && mode != 8) return state_.LastResult = rc::Param01;
    const uint32_t lowest = state_.LowestAddress;
    const uint32_t highest = state_.HighestAddress;
    WordModeLayout layout;
    if (!LayoutFor(lowest, highest, layout)) {
        state_.DefectDetail = "the image would span all 2^32 addresses";
        return state_.LastResult = rc::Address;
    }
    // Header and blank body go out in the same front-to-back pass as the data: the file ends up
    // as a blank image with every source byte patched in.
    hxw::File out;
    if (!hxw::OpenImageFile(out, hxw)) return state_.LastResult = rc::FileOpen;
    if (!hxw::WriteHeaderBlock(out, layout.base, highest, "2")) return state_.LastResult = rc::FileWrite;
    hxw::ImageWriter image(out, 512, layout.bodySize, WordModeBlank(lowest - layout.base));
    WordModeVisitor visit(image, mode, lowest, highest, layout.base);
    if (const uint32_t code = hxw::WalkRecords(source, format, state_.LineCount, progress, visit))
        return state_.LastResult = code;
    if (!image.Finish() || !out.Close()) return state_.LastResult = rc::FileWrite;
    return sums_.SumWordModeImage(hxw, true);
}
