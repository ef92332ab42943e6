#include "convert/StreamedWordMode.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/AtomicReplace.h"
#include "base/ResultCodes.h"
#include "checksum/Kernels.h"
#include "convert/ConversionOps.h"
#include "convert/ShortCopy.h"
#include "convert/ConvertCommon.h"
#include "convert/SourceRecords.h"

namespace hxw {
namespace {
constexpr uint8_t kAttrBlank = 0x00;
constexpr uint8_t kAttrPad = 0x80;

// A block no record has touched: blank data (FF) and attributes.
void Blank(uint8_t* block) {
    std::memset(block, 0xFF, 256);
    std::memset(block + 256, kAttrBlank, 256);
}
}  // namespace

AscendingWordImage::AscendingWordImage(std::string path, uint8_t mode)
    : StreamedImage(std::move(path)), mode_(mode) {
    for (size_t i = 0; i < sizeof pattern_; ++i) pattern_[i] = i % mode == 0 ? mode : 1;
}

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
        if (tail_ && blockNo_ == headNo_) {
            // A second part's first block waits for the join; the blocks after it go out.
            std::memcpy(head_, block_, kBlock);
        } else {
            // The open block is complete: every data byte of it counts.
            sum_ += ByteSum(block_, 256);
            if (!Append(block_)) return false;
        }
        uint8_t blank[kBlock];
        Blank(blank);
        for (uint64_t b = blockNo_ + 1; b < n; ++b) {
            sum_ += 0xFFull * 256;
            if (!Append(blank)) return false;
        }
    }
    blockNo_ = n;
    Blank(block_);
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
        if (!out_) return Abandon();
        if (tail_) {
            started_ = true;
            if (!OpenTail(record.Address)) return Abandon();
            headNo_ = blockNo_ = (record.Address - base_) / 256;
            Blank(block_);
            if (!file_.Seek(512 + (headNo_ + 1) * kBlock)) return Abandon();
        } else {
            if (!Start()) return Abandon();
            base_ = record.Address & 0xFFFFFFF0u;
            pad_ = record.Address - base_;
            next_ = record.Address;
            if (!OpenBlock(0)) return Abandon();
            started_ = true;
            if (handOff_) handOff_->Publish(base_);
        }
    }
    uint8_t bytes[256];
    const uint8_t* data = AscendingBytes(record, bytes);
    if (!data) return Abandon();
    // A unit mark on every aligned address with a whole unit left in the record, 1 elsewhere: the
    // periodic pattern from the record's first address on, its last mode - 1 places 1.
    uint8_t attributes[256];
    const size_t m = record.Count;
    CopyShort(attributes, pattern_ + (record.Address & (mode_ - 1u)), m);
    for (size_t i = m >= mode_ ? m - mode_ + 1 : 0; i < m; ++i) attributes[i] = 1;
    for (size_t i = 0; i < m;) {
        const uint64_t d = uint64_t{record.Address} + i - base_;
        if (d / 256 != blockNo_ && !OpenBlock(d / 256)) return Abandon();
        const size_t inBlock = static_cast<size_t>(d % 256);
        const size_t run = m - i < 256 - inBlock ? m - i : 256 - inBlock;
        CopyShort(block_ + inBlock, data + i, run);
        CopyShort(block_ + 256 + inBlock, attributes + i, run);
        i += run;
    }
    next_ = uint64_t{record.Address} + m;
}

std::unique_ptr<StreamedImage> AscendingWordImage::MakeTail(BaseHandOff& handOff) const {
    return AsTail(std::make_unique<AscendingWordImage>(path_, mode_), handOff);
}

void AscendingWordImage::FinishTail() {
    if (started_ && !abandoned_) {
        bool ok = true;
        if (blockNo_ == headNo_) {
            std::memcpy(head_, block_, kBlock);
        } else {
            // The last block: only the data bytes up to the last address count.
            sum_ += ByteSum(block_, static_cast<size_t>((next_ - 1 - base_) % 256) + 1);
            ok = Append(block_);
        }
        if (!ok || !Flush()) Abandon();
    }
    if (!file_.Close()) abandoned_ = true;
}

bool AscendingWordImage::Join(const StreamedImage& other) {
    const auto& tail = static_cast<const AscendingWordImage&>(other);
    if (!tail.started_) return true;  // the second part holds no data
    if (abandoned_ || !started_ || tail.abandoned_ || tail.base_ != base_ || tail.first_ < next_ ||
        (tail.headNo_ != blockNo_ && !OpenBlock(tail.headNo_))) {
        Abandon();
        return false;
    }
    // The second part's first block from its first address on: above every byte of this one's.
    const size_t from = static_cast<size_t>((tail.first_ - base_) % 256);
    std::memcpy(block_ + from, tail.head_ + from, 256 - from);
    std::memcpy(block_ + 256 + from, tail.head_ + 256 + from, 256 - from);
    next_ = tail.next_;
    if (tail.blockNo_ != tail.headNo_) {
        // The file holds the second part's blocks after this one: it goes out whole, and the
        // second part's sum counts the rest.
        sum_ += ByteSum(block_, 256);
        if (!Append(block_) || !Flush()) {
            Abandon();
            return false;
        }
        sum_ += tail.sum_;
        blockNo_ = tail.blockNo_;
        lastWritten_ = true;
    }
    return true;
}

bool AscendingWordImage::Finish(uint32_t highest, uint16_t& sum) {
    if (highest + uint64_t{1} != next_) {
        file_.Close();
        return false;
    }
    // The last block: only the data bytes up to the highest address count.
    const size_t last = static_cast<size_t>((uint64_t{highest} - base_) % 256);
    if (!lastWritten_) sum_ += ByteSum(block_, last + 1);
    if ((!lastWritten_ && !Append(block_)) || !Flush()) {
        file_.Close();
        return false;
    }
    return CloseWithHeader(highest, "2", sum);
}

}  // namespace hxw
