#include "convert/StreamedWordMode.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/AtomicReplace.h"
#include "base/ResultCodes.h"
#include "checksum/Kernels.h"
#include "convert/ConversionOps.h"
#include "convert/ConvertCommon.h"
#include "convert/SourceRecords.h"

namespace hxw {
namespace {
constexpr uint8_t kAttrBlank = 0x00;
constexpr uint8_t kAttrPad = 0x80;
}  // namespace

AscendingWordImage::AscendingWordImage(std::string path, uint8_t mode)
    : StreamedImage(std::move(path)), mode_(mode) {}

void AscendingWordImage::Abandon() {
    abandoned_ = true;
    out_.reset();
}

bool AscendingWordImage::Append(const uint8_t* block) {
    if (capacity_ - used_ < kBlock && !Grow(out_, used_, capacity_) && !Flush()) return false;
    std::memcpy(out_.get() + used_, block, kBlock);
    used_ += kBlock;
    return true;
}

bool AscendingWordImage::Flush() {
    if (used_ && !file_.Write(out_.get(), used_)) return false;
    used_ = 0;
    return true;
}

bool AscendingWordImage::OpenBlock(uint64_t n) {
    if (started_) {
        // The open block is complete: every data byte of it counts.
        sum_ += ByteSum(block_, 256);
        if (!Append(block_)) return false;
        // Blocks no record touches: blank data (FF) and attributes.
        uint8_t blank[kBlock];
        std::memset(blank, 0xFF, 256);
        std::memset(blank + 256, kAttrBlank, 256);
        for (uint64_t b = blockNo_ + 1; b < n; ++b) {
            sum_ += 0xFFull * 256;
            if (!Append(blank)) return false;
        }
    }
    blockNo_ = n;
    std::memset(block_, 0xFF, 256);
    std::memset(block_ + 256, kAttrBlank, 256);
    if (n == 0) {
        std::memset(block_, 0x00, pad_);
        std::memset(block_ + 256, kAttrPad, pad_);
    }
    return true;
}

void AscendingWordImage::Record(const DataRecord& record) {
    if (abandoned_) return;
    if (!started_) {
        out_.reset(new (std::nothrow) uint8_t[kFirstBuffer]);
        capacity_ = kFirstBuffer;
        if (!out_ || !Start()) return Abandon();
        base_ = record.Address & 0xFFFFFFF0u;
        pad_ = record.Address - base_;
        next_ = record.Address;
        if (!OpenBlock(0)) return Abandon();
        started_ = true;
    }
    uint8_t bytes[256];
    const uint8_t* data = AscendingBytes(record, bytes);
    if (!data) return Abandon();
    // A unit mark on every aligned address with a whole unit left in the record, 1 elsewhere.
    uint8_t attributes[256];
    const size_t m = record.Count;
    std::memset(attributes, 1, m);
    for (size_t i = (0u - record.Address) & (mode_ - 1u); i + mode_ <= m; i += mode_) attributes[i] = mode_;
    for (size_t i = 0; i < m;) {
        const uint64_t d = uint64_t{record.Address} + i - base_;
        if (d / 256 != blockNo_ && !OpenBlock(d / 256)) return Abandon();
        const size_t inBlock = static_cast<size_t>(d % 256);
        const size_t run = m - i < 256 - inBlock ? m - i : 256 - inBlock;
        std::memcpy(block_ + inBlock, data + i, run);
        std::memcpy(block_ + 256 + inBlock, attributes + i, run);
        i += run;
    }
    next_ = uint64_t{record.Address} + m;
}

bool AscendingWordImage::Finish(uint32_t highest, uint16_t& sum) {
    if (highest + uint64_t{1} != next_) {
        file_.Close();
        return false;
    }
    // The last block: only the data bytes up to the highest address count.
    const size_t last = static_cast<size_t>((uint64_t{highest} - base_) % 256);
    sum_ += ByteSum(block_, last + 1);
    if (!Append(block_) || !Flush()) {
        file_.Close();
        return false;
    }
    return CloseWithHeader(highest, "2", sum);
}

}  // namespace hxw
