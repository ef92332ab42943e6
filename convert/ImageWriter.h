// Writes an image body front to back through one bounded window: records that arrive in address
// order are copied into the window and leave as large sequential writes, the blank fill between
// them included; a record behind the window is patched in place with a seek. Memory stays at one
// window whatever the image size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace hxw {

class File;

class ImageWriter {
  public:
    // Fills out[0..n) with the blank content of body offsets offset..offset+n-1.
    using BlankFill = std::function<void(uint8_t* out, uint64_t offset, size_t n)>;

    // The body starts at bodyOffset in file and is bodySize bytes long.
    ImageWriter(File& file, uint64_t bodyOffset, uint64_t bodySize, BlankFill fill, size_t window = 2 << 20);

    // Places n bytes at body offset offset (offset + n <= bodySize). False on a failed write.
    bool Write(uint64_t offset, const uint8_t* data, size_t n);
    // Writes whatever of the body is still missing. False on a failed write.
    bool Finish();

  private:
    bool FlushWindow();
    void OpenWindow(uint64_t start);

    File& file_;
    uint64_t bodyOffset_;
    uint64_t bodySize_;
    BlankFill fill_;
    size_t capacity_;
    std::unique_ptr<uint8_t[]> window_;
    uint64_t windowStart_ = 0;  // everything before this is on disk
    size_t windowLength_ = 0;
    bool failed_ = false;
};

}  // namespace hxw
