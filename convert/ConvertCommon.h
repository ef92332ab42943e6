// Helpers the conversion passes share.
#pragma once
#include <cstdint>
#include <string>

#include "base/Progress.h"

namespace hxw {

class File;

// Writes the 512-byte header: the formatted first lines padded with spaces. typeLine is the text
// of the third line ("0", "1", "3" or "2").
bool WriteHeaderBlock(File& file, uint32_t start, uint32_t end, const char* typeLine);

// Opens the image file being built for writing; its data start on their way to the device while
// the conversion goes on, so that the flush before it is put in place has less to wait for.
bool OpenImageFile(File& file, const std::string& path);
// How much of an image is written before its write-out is asked for.
constexpr uint64_t kWriteBackStep = uint64_t{256} << 10;

// Drives the progress bar over the lines of a pass: the range 0..lines, then the number of lines
// read before each line. Positions in between are thinned out; the first and the last are kept.
class ProgressTicker {
  public:
    ProgressTicker(Progress& progress, uint32_t lines);
    void Line(uint32_t before) {
        pending_ = before;
        seen_ = true;
        if (before >= next_) Send();
    }
    void Done() {
        if (seen_ && (!any_ || pending_ != sent_)) Send();
    }

  private:
    void Send();

    Progress& progress_;
    uint32_t step_;
    uint32_t next_ = 0;
    uint32_t pending_ = 0;
    uint32_t sent_ = 0;
    bool any_ = false;  // a position was sent
    bool seen_ = false;
};

}  // namespace hxw
