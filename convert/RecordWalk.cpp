#include "convert/RecordWalk.h"

namespace hxw {

RecordWalk::RecordWalk(File& source, SourceFormat format, uint32_t lineCount, Progress& progress)
    : lines_(source), records_(format), ticker_(std::in_place, progress, lineCount) {}

RecordWalk::RecordWalk(File& source, SourceFormat format) : lines_(source, 1 << 16), records_(format) {}

uint32_t RecordWalk::Finish() {
    if (ticker_) ticker_->Done();
    return lines_.Failed() ? rc::FileRead : rc::Ok;
}

}  // namespace hxw
