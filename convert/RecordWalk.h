// The one walk over the data records of a source: every line is read, each data record in it is
// handed to a visitor, and the progress bar follows the lines. The Normal, series and word-mode
// passes are visitors of it, and so are the lookups in the upper-half file.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/Progress.h"
#include "base/ResultCodes.h"
#include "convert/ConvertCommon.h"
#include "convert/SourceRecords.h"

namespace hxw {

class File;

// What a visitor's Record returns: kWalkOn for the next record, kWalkEnd when the walk is complete
// (the rest of the file is not the visitor's), any other value a failure code, which ends the walk
// at once.
constexpr uint32_t kWalkOn = rc::Ok;
constexpr uint32_t kWalkEnd = 0xFFFFFFFFu;

// The base of the visitors: a visitor has `uint32_t Record(const DataRecord&)` and may hide
// EndsBefore to end the walk, complete, at a line of its own (before that line is interpreted).
struct RecordVisitor {
    static bool EndsBefore(std::string_view) { return false; }
};

class RecordWalk {
  public:
    // A source being converted: the progress range 0..lineCount, then before each line the number
    // of lines read before it (thinned out as ProgressTicker does).
    RecordWalk(File& source, SourceFormat format, uint32_t lineCount, Progress& progress);
    // A file the conversion reads on the side (the upper-half file): a smaller buffer, no progress.
    RecordWalk(File& source, SourceFormat format);

    // Hands the data records to visit.Record in file order. rc::Ok when the walk is complete,
    // rc::FileRead when reading failed, otherwise the visitor's failure code (the progress bar is
    // then left where it was). A template, so that a visitor costs no call per record.
    template <class Visitor>
    uint32_t Run(Visitor& visit) {
        DataRecord record;
        std::string_view line;
        uint32_t before = 0;
        while (lines_.Next(line)) {
            if (ticker_) ticker_->Line(before++);
            if (visit.EndsBefore(line)) break;
            if (!records_.Interpret(line, record)) continue;
            const uint32_t code = visit.Record(record);
            if (code == kWalkEnd) break;
            if (code != kWalkOn) return code;
        }
        return Finish();
    }

  private:
    // The end of a walk that was not stopped by a failure: the last position, the read check.
    uint32_t Finish();

    LineReader lines_;
    RecordReader records_;
    std::optional<ProgressTicker> ticker_;
};

// One walk over a source being converted (see RecordWalk).
template <class Visitor>
uint32_t WalkRecords(File& source, SourceFormat format, uint32_t lineCount, Progress& progress,
                     Visitor& visit) {
    return RecordWalk(source, format, lineCount, progress).Run(visit);
}

}  // namespace hxw
