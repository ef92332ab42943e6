#include "checksum/CheckSumOps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/File.h"
#include "checksum/HexText.h"
#include "checksum/Kernels.h"
#include "base/ResultCodes.h"

namespace {
constexpr char kMagic[] = "OMK-ZV HXW file.";
constexpr uint64_t kBodyOffset = 512;
constexpr size_t kChunk = 1 << 20;

struct HeaderRange {
    uint32_t start = 0;
    uint32_t end = 0;
};

// Opens path for reading and takes the start and end address fields. 0x7000 when it cannot be
// opened, 0x7005 when the file is too short to hold them, 0x8000 when end lies below start.
uint32_t OpenImage(hxw::File& file, const std::string& path, HeaderRange& range) {
    if (!file.Open(path, "rb")) return rc::FileOpen;
    char head[35];
    if (!file.ReadExact(head, sizeof head)) return rc::FileRead;
    range.start = hxw::ParseHexField(head + 18, 8, 8);
    range.end = hxw::ParseHexField(head + 27, 8, 8);
    if (range.end < range.start) return rc::HxwFormat00;
    return rc::Ok;
}

// Streams size bytes from the file's current position into consume(data, n); n is always even
// except possibly for the last piece. 0x7005 when the file ends early.
template <class Consume>
uint32_t StreamBody(hxw::File& file, uint64_t size, Progress* progress, Consume consume) {
    const size_t chunk = static_cast<size_t>(std::max<uint64_t>(1, std::min<uint64_t>(kChunk, size)));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk]);
    if (progress) {
        progress->SetRange(0, 1000);
        progress->SetPos(0);
    }
    uint64_t done = 0;
    while (done < size) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk, size - done));
        if (!file.ReadExact(buffer.get(), want)) return rc::FileRead;
        consume(buffer.get(), want);
        done += want;
        if (progress) progress->SetPos(static_cast<uint32_t>(done * 1000 / size));
    }
    return rc::Ok;
}

// Byte sum of data.
uint32_t ByteSum(const uint8_t* data, size_t n) { return static_cast<uint32_t>(hxw::ByteSum(data, n)); }

// Sum of the little-endian 16-bit words of data (n even), modulo 65536.
uint32_t WordSum(const uint8_t* data, size_t n) {
    uint64_t low = 0, high = 0;
    hxw::EvenOddSums(data, n & ~size_t{1}, low, high);
    return static_cast<uint32_t>(low + (high << 8));
}
}  // namespace

uint16_t Crc16Update(uint16_t crc, const uint8_t* data, size_t size) { return hxw::Crc16(crc, data, size); }

uint32_t ReadHxwHeaderInfo(const std::string& path, HxwHeaderInfo& info) {
    info = HxwHeaderInfo{};
    hxw::File file;
    if (!file.Open(path, "rb")) return rc::FileOpen;
    // The three lines lie in the 512-byte header; a longer first line cannot be the magic anyway.
    char text[4096];
    const size_t got = file.Read(text, sizeof text);
    std::string lines[3];
    size_t pos = 0;
    for (auto& line : lines) {
        if (pos >= got) break;
        const char* lf = static_cast<const char*>(std::memchr(text + pos, '\n', got - pos));
        const size_t stop = lf ? static_cast<size_t>(lf - text) : got;
        line.assign(text + pos, stop - pos);
        if (lf && !line.empty() && line.back() == '\r') line.pop_back();
        pos = stop + 1;
    }
    if (lines[0] != kMagic) return rc::HxwFormat00;
    info.Type = static_cast<uint8_t>(hxw::ReadHex(lines[2], 32, hxw::HexForm::CLibrary));
    if (info.Type == 2) {
        uint8_t mode = 0;
        if (file.Seek(768) && file.ReadExact(&mode, 1)) info.ModeByte = mode;
    }
    return rc::Ok;
}

uint32_t CheckSumOps::CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                                   uint32_t start, uint32_t end) {
    // The file is read more than once: a pipe or a device (which may never end) is no image.
    if (hxw::KindOf(path) == hxw::PathKind::Other) return state_.LastResult = rc::FileOpen;
    HxwHeaderInfo info;
    if (const uint32_t code = ReadHxwHeaderInfo(path, info)) return state_.LastResult = code;
    if (kind != 0 && info.Type != 0) {
        uint32_t code = rc::HxwFormat00;
        if (info.Type == 1) code = rc::Hxw720;
        if (info.Type == 3) code = rc::Hxw4500;
        if (info.Type == 2 && info.ModeByte < 0) code = rc::FileRead;
        if (info.Type == 2 && info.ModeByte == 4) code = rc::Hxw4Byte;
        if (info.Type == 2 && info.ModeByte == 8) code = rc::Hxw8Byte;
        return state_.LastResult = code;
    }
    if (info.Type > 3) return state_.LastResult = rc::HxwFormat00;
    if (info.Type == 2) return SumWordModeImage(path, false);
    if (kind == 0) return SumImage(path, info.Type, false);
    if (kind == 1) return manual ? OnesComplementImage(path, start, end) : OnesComplementImage(path);
    return manual ? CrcImage(path, crcInit, start, end) : CrcImage(path, crcInit);
}

uint32_t CheckSumOps::SumImage(const std::string& path, uint32_t type, bool writeBack) {
    hxw::File file;
    HeaderRange range;
    if (const uint32_t code = OpenImage(file, path, range)) return state_.LastResult = code;
    const uint64_t count = uint64_t{range.end} - range.start + 1;
    const bool words = type != 0;
    uint32_t sum = 0;
    if (!file.Seek(kBodyOffset)) return state_.LastResult = rc::FileRead;
    const uint32_t code = StreamBody(
        file, words ? count * 2 : count, writeBack ? nullptr : checkSumProgress_,
        [&](const uint8_t* data, size_t n) { sum += words ? WordSum(data, n) : ByteSum(data, n); });
    file.Close();
    if (code) return state_.LastResult = code;
    state_.LastCheckSum = static_cast<uint16_t>(sum);
    if (writeBack) return WriteCheckSumField(path, state_.LastCheckSum);
    return state_.LastResult = rc::Ok;
}

uint32_t CheckSumOps::SumWordModeImage(const std::string& path, bool writeBack) {
    hxw::File file;
    HeaderRange range;
    if (const uint32_t code = OpenImage(file, path, range)) return state_.LastResult = code;
    const uint32_t base = range.start & ~0xFu;
    // Every address of base..end has its data byte; blocks past that are passed over.
    const uint64_t addresses = uint64_t{range.end} - base + 1;
    const uint64_t blocks = (addresses + 255) / 256;
    const uint32_t skip = range.start - base;  // pad bytes before the header start do not count
    uint32_t sum = 0;
    uint64_t block = 0;
    if (!file.Seek(kBodyOffset)) return state_.LastResult = rc::FileRead;
    const uint32_t code = StreamBody(file, blocks * 512, writeBack ? nullptr : checkSumProgress_,
                                     [&](const uint8_t* data, size_t n) {
                                         for (size_t at = 0; at + 512 <= n; at += 512, ++block) {
                                             const uint64_t first = block * 256;
                                             size_t from = 0;
                                             size_t to = 256;
                                             if (first < skip) from = static_cast<size_t>(skip - first);
                                             if (first + 256 > addresses)
                                                 to = static_cast<size_t>(addresses - first);
                                             if (from < to) sum += ByteSum(data + at + from, to - from);
                                         }
                                     });
    file.Close();
    if (code) return state_.LastResult = code;
    state_.LastCheckSum = static_cast<uint16_t>(sum);
    if (writeBack) return WriteCheckSumField(path, state_.LastCheckSum);
    return state_.LastResult = rc::Ok;
}

uint32_t CheckSumOps::ComplementOrCrc(const std::string& path, bool crc, uint32_t crcInit, Domain domain,
                                      uint32_t start, uint32_t end) {
    hxw::File file;
    HeaderRange range;
    if (const uint32_t code = OpenImage(file, path, range)) return state_.LastResult = code;
    uint32_t first = range.start;
    uint32_t last = range.end;
    if (domain == Domain::Manual) {
        if (start < range.start) return state_.LastResult = rc::StartAddress;
        if (end > range.end) return state_.LastResult = rc::EndAddress;
        if (start > end) return state_.LastResult = rc::Address;
        first = start;
        last = end;
    }
    if (!file.Seek(kBodyOffset + (first - range.start))) return state_.LastResult = rc::FileRead;
    uint32_t sum = 0;
    uint16_t value = static_cast<uint16_t>(crcInit);
    const uint32_t code =
        StreamBody(file, uint64_t{last} - first + 1, checkSumProgress_, [&](const uint8_t* data, size_t n) {
            if (crc)
                value = Crc16Update(value, data, n);
            else
                sum += ByteSum(data, n);
        });
    file.Close();
    if (code) return state_.LastResult = code;
    state_.LastCheckSum = crc ? value : static_cast<uint16_t>(~sum);
    return state_.LastResult = rc::Ok;
}

uint32_t CheckSumOps::OnesComplementImage(const std::string& path) {
    return ComplementOrCrc(path, false, 0, Domain::Header, 0, 0);
}

uint32_t CheckSumOps::OnesComplementImage(const std::string& path, uint32_t start, uint32_t end) {
    return ComplementOrCrc(path, false, 0, Domain::Manual, start, end);
}

uint32_t CheckSumOps::CrcImage(const std::string& path, uint32_t crcInit) {
    return ComplementOrCrc(path, true, crcInit, Domain::Header, 0, 0);
}

uint32_t CheckSumOps::CrcImage(const std::string& path, uint32_t crcInit, uint32_t start, uint32_t end) {
    return ComplementOrCrc(path, true, crcInit, Domain::Manual, start, end);
}

uint32_t CheckSumOps::WriteCheckSumField(const std::string& path, uint16_t value) {
    hxw::File file;
    if (!file.Open(path, "r+b")) return state_.LastResult = rc::FileOpen;
    char field[8];
    std::snprintf(field, sizeof field, "%04X\r\n", static_cast<unsigned>(value));
    if (!file.Seek(40) || !file.Write(field, 6)) return state_.LastResult = rc::FileWrite;
    if (!file.Close()) return state_.LastResult = rc::FileWrite;
    return state_.LastResult = rc::Ok;
}
