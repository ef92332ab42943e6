// The Normal Auto conversion in one walk over the source. The pre-scan's walk validates every
// line as always; while it does, this visitor writes each data record straight into the image
// and keeps the image's sum, as long as the records arrive in ascending address order without
// overlap. Then every byte is written once, in order, and nothing needs reading back: the
// file is byte for byte what the pre-fill, place and sum passes would make. Any other order
// gives the walk up, and the conversion takes the general passes instead.
#pragma once
#include <cstddef>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/File.h"
#include "convert/SourceRecords.h"

namespace hxw {

// Told of every data record the pre-scan accepts, in source order.
class PrescanVisitor {
  public:
    virtual ~PrescanVisitor() = default;
    virtual void Record(const DataRecord& record) = 0;
};

// The base address of an image, passed from the image of a source's first part, which finds it
// at its first record, to the image of the second part, built on another thread meanwhile.
class BaseHandOff {
  public:
    // The first call counts; -1 says the first part holds no data record.
    void Publish(int64_t base);
    int64_t Wait();

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    bool set_ = false;
    int64_t base_ = -1;
};

// A visitor that builds the whole image while the pre-scan walks the source, into the file at
// path: a header's room first, then the body in address order.
class StreamedImage : public PrescanVisitor {
  public:
    explicit StreamedImage(std::string path) : path_(std::move(path)) {}
    ~StreamedImage() override { file_.Close(); }
    // The walk saw only ascending records and every write went through.
    bool Usable() const { return started_ && !abandoned_; }
    const std::string& Path() const { return path_; }
    // Writes what is still missing, the header of base..highest with the sum in its field, and
    // closes the file; false on a failed write. The sum is left in sum.
    virtual bool Finish(uint32_t highest, uint16_t& sum) = 0;
    // Closes and removes the file.
    void Discard();

    // A source read in two parts at once (SplitScan.h): this image, of the first part, tells
    // handOff its base; the image MakeTail gives builds the second part's records into the same
    // file, at their places, once it knows that base.
    void ShareBase(BaseHandOff& handOff) { handOff_ = &handOff; }
    virtual std::unique_ptr<StreamedImage> MakeTail(BaseHandOff& handOff) const = 0;
    // The second part's image, on its thread, once its records are all in: what it holds out and
    // its file closed.
    virtual void FinishTail() = 0;
    // Takes on the second part's image (made by MakeTail), when its records continue this one's
    // in ascending order: what lies between is written and the sums are joined. False when they
    // do not (then this image is of no use).
    virtual bool Join(const StreamedImage& tail) = 0;

  protected:
    // The second part's image at its first record: waits for the base, then opens the file the
    // first part's image made (the place to write is the caller's); false when that fails or the
    // first part has no base at or below first.
    bool OpenTail(uint32_t first);
    // image made the second part's image of this one, told of handOff.
    static std::unique_ptr<StreamedImage> AsTail(std::unique_ptr<StreamedImage> image, BaseHandOff& handOff) {
        image->handOff_ = &handOff;
        image->tail_ = true;
        return image;
    }
    // Opens the file with the header's room held; false when it cannot be written.
    bool Start();
    // The record's bytes when it continues the image in ascending order (decoded into scratch
    // when the pre-scan left them as text); null when it does not, and the walk is to be given up.
    const uint8_t* AscendingBytes(const DataRecord& record, uint8_t* scratch) const {
        if (record.Address < next_) return nullptr;  // behind what is written
        // An image of all 2^32 addresses cannot be described; the general passes refuse it.
        if (uint64_t{record.Address} + record.Count - base_ > 0xFFFFFFFFu) return nullptr;
        if (record.Bytes) return record.Bytes;
        DecodeBytes(record, scratch);
        return scratch;
    }
    // The write buffer starts small (a small source needs no more) and grows by this up to its
    // full size while the image goes on; true when it grew, false when it is full size already.
    static constexpr size_t kFirstBuffer = size_t{64} << 10;
    static constexpr size_t kFullBuffer = size_t{256} << 10;
    static bool Grow(std::unique_ptr<uint8_t[]>& buffer, size_t used, size_t& capacity);
    // Once the whole body is written: the header of base_..highest (its third line typeLine)
    // with the low 16 bits of sum_ in its field, and the file closed.
    bool CloseWithHeader(uint32_t highest, const char* typeLine, uint16_t& sum);

    std::string path_;
    File file_;
    bool started_ = false;
    bool abandoned_ = false;
    uint32_t base_ = 0;
    uint64_t next_ = 0;  // the address after the last byte written
    uint64_t sum_ = 0;   // of the data bytes written
    BaseHandOff* handOff_ = nullptr;
    bool tail_ = false;   // the image of a second part
    uint64_t first_ = 0;  // the first address the image of a second part holds
};

class AscendingImage final : public StreamedImage {
  public:
    explicit AscendingImage(std::string path) : StreamedImage(std::move(path)) {}

    void Record(const DataRecord& record) override;
    bool Finish(uint32_t highest, uint16_t& sum) override;

    std::unique_ptr<StreamedImage> MakeTail(BaseHandOff& handOff) const override;
    void FinishTail() override;
    bool Join(const StreamedImage& tail) override;

  private:
    bool Fill(uint64_t count);
    bool Put(const uint8_t* data, size_t n);
    bool Flush();
    void Abandon();

    std::unique_ptr<uint8_t[]> buffer_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    std::unique_ptr<uint8_t[]> blank_;
};

}  // namespace hxw
