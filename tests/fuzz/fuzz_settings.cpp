// The settings file reader on arbitrary files: whatever it takes in, what it saves must read back
// as the same values (the page number and type are written in decimal and read in hexadecimal, so
// they come back unchanged only below 10, which every value the window can set is).
#include <cstdint>
#include <cstdlib>

#include "FuzzTempDir.h"
#include "app/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzzdir::Scope scope;
    const std::string folder = scope.Path("");  // ends with its separator
    fuzzdir::Write(folder + "ZV.DEF", data, size);
    SettingsFile first(folder);
    if (!first.Load()) return 0;
    if (!first.Save()) return 0;
    SettingsFile second(folder);
    if (!second.Load()) std::abort();
    const bool same =
        (first.tabId >= 10 || first.tabId == second.tabId) &&
        (first.hxwFileType >= 10 || first.hxwFileType == second.hxwFileType) &&
        first.hxwFileName == second.hxwFileName && first.hexFileName == second.hexFileName &&
        first.hxwDomainType == second.hxwDomainType && first.hxwDomainStart == second.hxwDomainStart &&
        first.hxwDomainEnd == second.hxwDomainEnd && first.downloadFileName == second.downloadFileName &&
        first.uploadFileName == second.uploadFileName && first.checkSumFileName == second.checkSumFileName &&
        first.crcInitialValue == second.crcInitialValue && first.checkSumType == second.checkSumType &&
        first.checkSumDomainType == second.checkSumDomainType &&
        first.checkSumDomainStart == second.checkSumDomainStart &&
        first.checkSumDomainEnd == second.checkSumDomainEnd;
    if (!same) std::abort();
    return 0;
}
