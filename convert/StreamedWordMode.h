// The 4Byte and 8Byte Mode conversions in one walk over the source, as StreamedNormal.h does for
// Normal: while the pre-scan validates the lines, this visitor builds the word-mode image block
// by block (256 data bytes, then their attributes) and keeps the data sum, as long as the
// records arrive in ascending address order without overlap. The file is then byte for byte
// what the blank image, the conversion pass and the sum pass would make; any other order gives
// the walk up and the general passes run instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/File.h"
#include "convert/StreamedNormal.h"

namespace hxw {

class AscendingWordImage final : public StreamedImage {
  public:
    // mode: 4 or 8.
    AscendingWordImage(std::string path, uint8_t mode);

    void Record(const DataRecord& record) override;
    // Also false when highest is not the last address written.
    bool Finish(uint32_t highest, uint16_t& sum) override;

    // The second part's image keeps its first block (which the first part's last records may
    // share) for the join, and writes the blocks after it at their places.
    std::unique_ptr<StreamedImage> MakeTail(BaseHandOff& handOff) const override;
    void FinishTail() override;
    bool Join(const StreamedImage& tail) override;

  private:
    static constexpr size_t kBlock = 512;
    // Opens block number n (blank, with the pad of block 0), after the open one goes out.
    bool OpenBlock(uint64_t n);
    bool Append(const uint8_t* block);
    bool Flush();
    void Abandon();

    uint8_t mode_;
    uint8_t pattern_[256 + 8];  // the unit marks of a record starting at an aligned address
    std::unique_ptr<uint8_t[]> out_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    uint32_t pad_ = 0;      // addresses of block 0 before the lowest one
    uint64_t blockNo_ = 0;  // the open block
    uint8_t block_[kBlock];
    // The second part's first block, kept back (headNo_ its number); and in the first part's
    // image, whether the last block went out already at the join.
    uint64_t headNo_ = 0;
    uint8_t head_[kBlock];
    bool lastWritten_ = false;
};

}  // namespace hxw
