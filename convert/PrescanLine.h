// The pre-scan's rule for one line, shared by the pre-scan of a whole source and of its parts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

namespace hxw {

// A non-empty line: 0, with data true when it holds a data record (then in record), or the code
// of its defect with a short reason in detail.
inline uint32_t ScanLine(SourceFormat format, std::string_view line, RecordReader& records, PlainLine& plain,
                         DataRecord& record, bool& data, std::string& detail) {
    // Plain lines, nearly all of them, are decoded once; the rest take the full rules.
    record.Bytes = nullptr;
    if (plain.Decode(format, line)) {
        data = records.InterpretPlain(line, plain, record);
    } else {
        if (const uint32_t code = ValidateLine(format, line, detail)) return code;
        data = records.Interpret(line, record);
    }
    if (data && uint64_t{record.Address} + record.Count - 1 > 0xFFFFFFFFu) {
        detail = Format("record at %08X runs past address FFFFFFFF", unsigned(record.Address));
        return rc::Address;
    }
    return rc::Ok;
}

}  // namespace hxw
