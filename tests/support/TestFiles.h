// Small helpers of the engine tests: the private folder per test, whole-file reads and writes,
// and record builders for Intel HEX and S-record lines.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/Progress.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/TempFolder.h"

namespace testfiles {

// The one temporary folder of the tests, under the name these tests use.
using TempDir = ::TempFolder;

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string Hex2(unsigned v) {
    char t[4];
    std::snprintf(t, sizeof t, "%02X", v & 0xFF);
    return t;
}

// One Intel HEX record with a correct checksum.
inline std::string HexRecord(unsigned type, unsigned address, const std::vector<uint8_t>& data) {
    std::vector<unsigned> b = {static_cast<unsigned>(data.size()), (address >> 8) & 0xFF, address & 0xFF,
                               type};
    for (auto d : data) b.push_back(d);
    unsigned sum = 0;
    std::string line = ":";
    for (auto v : b) {
        line += Hex2(v);
        sum += v;
    }
    return line + Hex2(0x100 - (sum & 0xFF));
}

// Extended linear address record.
inline std::string HexLinear(unsigned upper16) {
    return HexRecord(4, 0, {static_cast<uint8_t>(upper16 >> 8), static_cast<uint8_t>(upper16)});
}

// One S-record ('0'..'9') with a correct checksum; the address width follows the type.
inline std::string SRecord(char type, uint32_t address, const std::vector<uint8_t>& data) {
    int width = 2;
    if (type == '2' || type == '8') width = 3;
    if (type == '3' || type == '7') width = 4;
    std::vector<unsigned> b = {static_cast<unsigned>(width + data.size() + 1)};
    for (int i = width - 1; i >= 0; --i) b.push_back((address >> (8 * i)) & 0xFF);
    for (auto d : data) b.push_back(d);
    unsigned sum = 0;
    std::string line = std::string("S") + type;
    for (auto v : b) {
        line += Hex2(v);
        sum += v;
    }
    return line + Hex2(~sum & 0xFF);
}

inline std::string Lines(const std::vector<std::string>& lines, const char* eol = "\r\n") {
    std::string out;
    for (const auto& l : lines) out += l + eol;
    return out;
}

inline std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
    std::vector<uint8_t> out;
    for (int x : v) out.push_back(static_cast<uint8_t>(x));
    return out;
}

// An HXW header (512 bytes) as the conversions write it, with spaces in the checksum field.
inline std::string Header(uint32_t start, uint32_t end, const char* typeLine) {
    char text[64];
    std::snprintf(text, sizeof text, "OMK-ZV HXW file.\r\n%08X,%08X\r\n%s\r\n", static_cast<unsigned>(start),
                  static_cast<unsigned>(end), typeLine);
    std::string h = text;
    h.resize(512, ' ');
    return h;
}


}  // namespace testfiles
