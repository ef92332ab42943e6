#include "convert/StreamedNormal.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/AtomicReplace.h"
#include "base/ResultCodes.h"
#include "checksum/Kernels.h"
#include "convert/ConversionOps.h"
#include "convert/ConvertCommon.h"
#include "convert/ShortCopy.h"
#include "convert/SourceRecords.h"
#include "convert/StreamedWordMode.h"

namespace hxw {
bool StreamedImage::Grow(std::unique_ptr<uint8_t[]>& buffer, size_t used, size_t& capacity) {
    if (capacity >= kFullBuffer) return false;
    const size_t bigger = capacity * 4 < kFullBuffer ? capacity * 4 : kFullBuffer;
    std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[bigger]);
    if (!grown) return false;  // the buffer as it is still serves
    std::memcpy(grown.get(), buffer.get(), used);
    buffer = std::move(grown);
    capacity = bigger;
    return true;
}

bool StreamedImage::Start() {
    // The header goes in last, when the range is known; until then its place is held.
    char header[512];
    std::memset(header, ' ', sizeof header);
    return OpenImageFile(file_, path_) && file_.Write(header, sizeof header);
}

bool StreamedImage::CloseWithHeader(uint32_t highest, const char* typeLine, uint16_t& sum) {
    sum = static_cast<uint16_t>(sum_);
    char field[8];
    std::snprintf(field, sizeof field, "%04X\r\n", static_cast<unsigned>(sum));
    const bool ok = WriteHeaderBlock(file_, base_, highest, typeLine) && file_.Seek(40) && file_.Write(field, 6);
    return file_.Close() && ok;
}

void StreamedImage::Discard() {
    const bool opened = file_.IsOpen() || started_;
    file_.Close();
    if (opened) RemoveFile(path_);
}

void AscendingImage::Abandon() {
    abandoned_ = true;
    buffer_.reset();
    blank_.reset();
}

void BaseHandOff::Publish(int64_t base) {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (set_) return;
        set_ = true;
        base_ = base;
    }
    ready_.notify_all();
}

int64_t BaseHandOff::Wait() {
    std::unique_lock<std::mutex> hold(mutex_);
    ready_.wait(hold, [this] { return set_; });
    return base_;
}

bool StreamedImage::OpenTail(uint32_t first) {
    const int64_t base = handOff_->Wait();
    if (base < 0 || base > first || !file_.Open(path_, "r+b")) return false;
    file_.WriteBackEvery(kWriteBackStep);
    base_ = static_cast<uint32_t>(base);
    first_ = next_ = first;
    return true;
}

std::unique_ptr<StreamedImage> AscendingImage::MakeTail(BaseHandOff& handOff) const {
    return AsTail(std::make_unique<AscendingImage>(path_), handOff);
}

void AscendingImage::Record(const DataRecord& record) {
    if (abandoned_) return;
    if (!started_) {
        started_ = true;
        buffer_.reset(new (std::nothrow) uint8_t[kFirstBuffer]);
        capacity_ = kFirstBuffer;
        if (!buffer_) return Abandon();
        if (tail_) {
            // From its first record's place on; the first part's image writes what lies before.
            if (!OpenTail(record.Address) || !file_.Seek(512 + (first_ - base_))) return Abandon();
        } else {
            if (!Start()) return Abandon();
            base_ = record.Address & 0xFFFFFF00u;
            next_ = base_;
            if (handOff_) handOff_->Publish(base_);
        }
    }
    uint8_t bytes[256];
    const uint8_t* data = AscendingBytes(record, bytes);
    if (!data) return Abandon();
    if (!Fill(record.Address - next_) || !Put(data, record.Count)) return Abandon();
    next_ = uint64_t{record.Address} + record.Count;
}

bool AscendingImage::Fill(uint64_t count) {
    // Long blank runs go out from one block of FF, their sum counted without reading them.
    if (count >= kFullBuffer) {
        if (!Flush()) return false;
        if (!blank_) {
            blank_.reset(new (std::nothrow) uint8_t[kFullBuffer]);
            if (!blank_) return false;
            std::memset(blank_.get(), 0xFF, kFullBuffer);
        }
        for (; count >= kFullBuffer; count -= kFullBuffer) {
            if (!file_.Write(blank_.get(), kFullBuffer)) return false;
            sum_ += 0xFFull * kFullBuffer;
        }
    }
    while (count > 0) {
        if (used_ == capacity_ && !Grow(buffer_, used_, capacity_) && !Flush()) return false;
        const size_t part = static_cast<size_t>(count < capacity_ - used_ ? count : capacity_ - used_);
        std::memset(buffer_.get() + used_, 0xFF, part);
        used_ += part;
        count -= part;
    }
    return true;
}

bool AscendingImage::Put(const uint8_t* data, size_t n) {
    if (capacity_ - used_ < n && !Grow(buffer_, used_, capacity_) && !Flush()) return false;
    CopyShort(buffer_.get() + used_, data, n);
    used_ += n;
    return true;
}

bool AscendingImage::Flush() {
    if (used_ && !file_.Write(buffer_.get(), used_)) return false;
    sum_ += ByteSum(buffer_.get(), used_);
    used_ = 0;
    return true;
}

void AscendingImage::FinishTail() {
    if (started_ && !abandoned_ && !Flush()) Abandon();
    if (!file_.Close()) abandoned_ = true;
}

bool AscendingImage::Join(const StreamedImage& other) {
    const auto& tail = static_cast<const AscendingImage&>(other);
    if (!tail.started_) return true;  // the second part holds no data
    if (abandoned_ || !started_ || tail.abandoned_ || tail.base_ != base_ || tail.first_ < next_) {
        Abandon();
        return false;
    }
    // Up to the second part's first byte; from there on the file holds its image already.
    if (!Fill(tail.first_ - next_) || !Flush()) {
        Abandon();
        return false;
    }
    sum_ += tail.sum_;
    next_ = tail.next_;
    return true;
}

bool AscendingImage::Finish(uint32_t highest, uint16_t& sum) {
    // The body runs from base to highest, and every byte of it has been written and summed.
    if (!Flush() || highest + uint64_t{1} != next_) {
        file_.Close();
        return false;
    }
    return CloseWithHeader(highest, "0", sum);
}

}  // namespace hxw

bool ConversionOps::StreamAscending(const std::string& source, const std::string& hxw, uint8_t type,
                                    Progress& progress) {
    // The same save as the general passes: a temporary file beside the target, put in place only
    // when the image is complete.
    hxw::AtomicReplace save(hxw);
    if (!save.Begin()) return false;  // the general passes meet the same trouble and report it
    std::unique_ptr<hxw::StreamedImage> built;
    if (type == Normal)
        built = std::make_unique<hxw::AscendingImage>(save.TempPath());
    else
        built = std::make_unique<hxw::AscendingWordImage>(save.TempPath(), type);
    hxw::StreamedImage& image = *built;
    prescanVisitor_ = &image;
    splitImage_ = &image;
    splitGaveUp_ = false;
    const bool scanned = PrescanSource(source, type);
    prescanVisitor_ = nullptr;
    splitImage_ = nullptr;
    if (splitGaveUp_) {
        image.Discard();
        return false;
    }
    if (!scanned) {
        image.Discard();
        return true;  // the pre-scan's failure, as the general passes would report it
    }
    uint16_t sum = 0;
    if (!image.Usable() || !image.Finish(state_.HighestAddress, sum)) {
        image.Discard();
        return false;
    }
    // The conversion pass's progress: its range, its first and its last position.
    hxw::ProgressTicker ticker(progress, state_.LineCount);
    ticker.Line(0);
    if (state_.LineCount > 1) ticker.Line(state_.LineCount - 1);
    ticker.Done();
    state_.LastCheckSum = sum;
    if (!save.Commit()) {
        state_.DefectDetail = "cannot replace " + hxw;
        state_.LastResult = rc::FileWrite;
        return true;
    }
    state_.LastResult = rc::Ok;
    return true;
}
