#include "app/SettingsFile.h"

#include <cstdio>

#include "app/TextUtil.h"
#include "base/AtomicReplace.h"
#include "base/Format.h"
#include "base/HexRead.h"


using hxw::Format;
using hxw::ReadHex;

namespace {
constexpr const char* kTabId = "[Tab ID]";
constexpr const char* kHexFileName = "[Hex file name]";
constexpr const char* kHxwFileType = "[Hxw file type]";
constexpr const char* kHxwFileName = "[Hxw file name]";
constexpr const char* kHxwDomainType = "[Hxw Domain type]";
constexpr const char* kHxwDomainAddr = "[Hxw Domain addr]";
constexpr const char* kDownloadFileName = "[Download file name]";
constexpr const char* kUploadFileName = "[Upload file name]";
constexpr const char* kCheckSumFileName = "[CheckSum file name]";
constexpr const char* kCheckSumType = "[CheckSum type]";
constexpr const char* kChecksumDomainType = "[Checksum domain type]";
constexpr const char* kCheckSumDomainAddr = "[CheckSum Domain addr]";

bool SameIgnoringCase(const std::string& line, const char* key) {
    size_t i = 0;
    for (; key[i] != '\0'; ++i) {
        if (i >= line.size()) return false;
        char a = line[i];
        char b = key[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return i == line.size();
}

// Reads one line without its end; CR LF and LF both end a line. False at the end of the file.
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = std::fgetc(file);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// A value line; one missing at the end of the file reads as empty.
std::string ReadValue(std::FILE* file) {
    std::string line;
    ReadLine(file, line);
    return line;
}
}  // namespace

std::string SettingsFile::GetPath() const { return folder_ + "ZV.DEF"; }

bool SettingsFile::Load() {
    std::FILE* file = std::fopen(GetPath().c_str(), "rb");
    if (file == nullptr) return false;

    // Matches one of the eleven keys other than "[Tab ID]" and takes its value lines.
    auto takeKey = [&](const std::string& line) {
        if (SameIgnoringCase(line, kHexFileName)) {
            hexFileName = ReadValue(file);
        } else if (SameIgnoringCase(line, kHxwFileType)) {
            hxwFileType = static_cast<uint8_t>(ReadHex(ReadValue(file)));
        } else if (SameIgnoringCase(line, kHxwFileName)) {
            hxwFileName = ReadValue(file);
        } else if (SameIgnoringCase(line, kHxwDomainType)) {
            hxwDomainType = ReadHex(ReadValue(file));
        } else if (SameIgnoringCase(line, kHxwDomainAddr)) {
            hxwDomainStart = ReadHex(ReadValue(file));
            hxwDomainEnd = ReadHex(ReadValue(file));
        } else if (SameIgnoringCase(line, kDownloadFileName)) {
            downloadFileName = ReadValue(file);
        } else if (SameIgnoringCase(line, kUploadFileName)) {
            uploadFileName = ReadValue(file);
        } else if (SameIgnoringCase(line, kCheckSumFileName)) {
            checkSumFileName = ReadValue(file);
        } else if (SameIgnoringCase(line, kCheckSumType)) {
            checkSumType = static_cast<uint8_t>(ReadHex(ReadValue(file)));
            crcInitialValue = static_cast<uint16_t>(ReadHex(ReadValue(file)));
        } else if (SameIgnoringCase(line, kChecksumDomainType)) {
            checkSumDomainType = ReadHex(ReadValue(file));
        } else if (SameIgnoringCase(line, kCheckSumDomainAddr)) {
            checkSumDomainStart = ReadHex(ReadValue(file));
            checkSumDomainEnd = ReadHex(ReadValue(file));
        }
    };

    std::string line;
    while (ReadLine(file, line)) {
        if (line.empty()) continue;
        if (SameIgnoringCase(line, kTabId)) {
            // The page number's value line is also looked at as a key of its own, so a file in
            // which the number is missing still yields the key that follows.
            const std::string value = ReadValue(file);
            tabId = static_cast<uint8_t>(ReadHex(value));
            takeKey(value);
        } else {
            takeKey(line);
        }
    }
    std::fclose(file);
    return true;
}

bool SettingsFile::Save() const {
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line(kTabId);
    line(Format("%d", tabId));
    line("");
    line(kHexFileName);
    line(hexFileName);
    line("");
    line(kHxwFileType);
    line(Format("%d", hxwFileType));
    line("");
    line(kHxwFileName);
    line(hxwFileName);
    line("");
    line(kHxwDomainType);
    line(Format("%01X", hxwDomainType));
    line("");
    line(kHxwDomainAddr);
    line(Format("%08X", hxwDomainStart));
    line(Format("%08X", hxwDomainEnd));
    line("");
    line(kDownloadFileName);
    line(downloadFileName);
    line("");
    line(kUploadFileName);
    line(uploadFileName);
    line("");
    line(kCheckSumFileName);
    line(checkSumFileName);
    line("");
    line(kCheckSumType);
    line(Format("%01X", checkSumType));
    line(Format("%04X", crcInitialValue));
    line("");
    line(kChecksumDomainType);
    line(Format("%01X", checkSumDomainType));
    line("");
    line(kCheckSumDomainAddr);
    line(Format("%08X", checkSumDomainStart));
    line(Format("%08X", checkSumDomainEnd));
    line("");

    return hxw::ReplaceFileContent(GetPath(), text.data(), text.size());
}
