#include "convert/ImageWriter.h"

#include <algorithm>
#include <cstring>

#include "base/File.h"

namespace hxw {
namespace {
// No larger than the body: a small image needs no large window.
size_t WindowFor(size_t window, uint64_t bodySize) {
    return static_cast<size_t>(std::max<uint64_t>(1, std::min<uint64_t>(window, bodySize)));
}
}  // namespace

ImageWriter::ImageWriter(File& file, uint64_t bodyOffset, uint64_t bodySize, BlankFill fill, size_t window)
    : file_(file),
      bodyOffset_(bodyOffset),
      bodySize_(bodySize),
      fill_(std::move(fill)),
      capacity_(WindowFor(window, bodySize)),
      window_(new uint8_t[capacity_]) {
    OpenWindow(0);
}

void ImageWriter::OpenWindow(uint64_t start) {
    windowStart_ = start;
    windowLength_ = static_cast<size_t>(std::min<uint64_t>(capacity_, bodySize_ - start));
    if (windowLength_) fill_(window_.get(), start, windowLength_);
}

bool ImageWriter::FlushWindow() {
    if (windowLength_ == 0) return true;
    if (!file_.Seek(bodyOffset_ + windowStart_) || !file_.Write(window_.get(), windowLength_)) return false;
    windowStart_ += windowLength_;
    windowLength_ = 0;
    return true;
}

bool ImageWriter::Write(uint64_t offset, const uint8_t* data, size_t n) {
    if (failed_) return false;
    while (n > 0) {
        if (offset < windowStart_) {
            // Behind the window: that part of the body is on disk already.
            const size_t part = static_cast<size_t>(std::min<uint64_t>(n, windowStart_ - offset));
            if (!file_.Seek(bodyOffset_ + offset) || !file_.Write(data, part)) return !(failed_ = true);
            offset += part;
            data += part;
            n -= part;
            continue;
        }
        if (offset >= windowStart_ + windowLength_) {
            if (windowStart_ + windowLength_ >= bodySize_) return !(failed_ = true);  // past the body
            if (!FlushWindow()) return !(failed_ = true);
            OpenWindow(windowStart_);
            continue;
        }
        const size_t at = static_cast<size_t>(offset - windowStart_);
        const size_t part = std::min(n, windowLength_ - at);
        std::memcpy(window_.get() + at, data, part);
        offset += part;
        data += part;
        n -= part;
    }
    return true;
}

bool ImageWriter::Finish() {
    if (failed_) return false;
    for (;;) {
        if (!FlushWindow()) return !(failed_ = true);
        if (windowStart_ >= bodySize_) return true;
        OpenWindow(windowStart_);
    }
}

}  // namespace hxw
