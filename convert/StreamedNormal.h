// The Normal Auto conversion in one walk over the source. The pre-scan's walk validates every
// line as always; while it does, this visitor writes each data record straight into the image
// and keeps the image's sum, as long as the records arrive in ascending address order without
// overlap. Then every byte is written once, in order, and nothing needs reading back: the
// file is byte for byte what the pre-fill, place and sum passes would make. Any other order
// gives the walk up, and the conversion takes the general passes instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/File.h"

namespace hxw {

struct DataRecord;

// Told of every data record the pre-scan accepts, in source order.
class PrescanVisitor {
  public:
    virtual ~PrescanVisitor() = default;
    virtual void Record(const DataRecord& record) = 0;
};

// A visitor that builds the whole image while the pre-scan walks the source.
class StreamedImage : public PrescanVisitor {
  public:
    // The walk saw only ascending records and every write went through.
    virtual bool Usable() const = 0;
    // Writes what is still missing, the header of base..highest with the sum in its field, and
    // closes the file; false on a failed write. The sum is left in sum.
    virtual bool Finish(uint32_t highest, uint16_t& sum) = 0;
    // Closes and removes the file.
    virtual void Discard() = 0;
};

class AscendingImage final : public StreamedImage {
  public:
    explicit AscendingImage(std::string path);
    ~AscendingImage() override;

    void Record(const DataRecord& record) override;
    bool Usable() const override { return started_ && !abandoned_; }
    bool Finish(uint32_t highest, uint16_t& sum) override;
    void Discard() override;

  private:
    bool Fill(uint64_t count);
    bool Put(const uint8_t* data, size_t n);
    bool Flush();
    void Abandon();

    std::string path_;
    File file_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t used_ = 0;
    bool started_ = false;
    bool abandoned_ = false;
    uint32_t base_ = 0;
    uint64_t next_ = 0;  // the address after the last byte written
    std::unique_ptr<uint8_t[]> blank_;
    uint64_t sum_ = 0;  // of every body byte written
};

}  // namespace hxw
