#include "cli/HxwInspection.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/File.h"

namespace {
constexpr uint64_t kPage = 256;
constexpr size_t kHeader = 512;
constexpr char kMagic[] = "OMK-ZV HXW file.";

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool ReadHex(const char* p, size_t n, uint32_t& value) {
    value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!IsHex(p[i])) return false;
        const char c = p[i];
        value = (value << 4) | uint32_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return true;
}

std::string ByteAt(size_t offset, unsigned char c) {
    char text[96];
    std::snprintf(text, sizeof text, "header byte %zu is %02Xh", offset, c);
    return text;
}

// Joins runs: a fill run shorter than gap next to data becomes data; neighbours of one kind merge.
class RunMerger {
  public:
    explicit RunMerger(uint64_t gap) : gap_(gap) {}
    void Add(const BodyRun& run) {
        if (run.Units == 0) return;
        if (!runs_.empty() && runs_.back().Data == run.Data) {
            runs_.back().Units += run.Units;
            return;
        }
        if (run.Data && !runs_.empty() && runs_.back().Units < gap_) {
            // The short fill before this data joins it, and the data before that fill too.
            BodyRun fill = runs_.back();
            runs_.pop_back();
            if (!runs_.empty()) {
                runs_.back().Units += fill.Units + run.Units;
            } else {
                runs_.push_back({true, fill.FirstUnit, fill.Units + run.Units});
            }
            return;
        }
        runs_.push_back(run);
    }
    std::vector<BodyRun> Finish() {
        // A short fill at the end belongs to the data before it.
        if (runs_.size() >= 2 && !runs_.back().Data && runs_.back().Units < gap_) {
            const uint64_t n = runs_.back().Units;
            runs_.pop_back();
            runs_.back().Units += n;
        }
        return std::move(runs_);
    }

  private:
    uint64_t gap_;
    std::vector<BodyRun> runs_;
};
}  // namespace

uint64_t HxwInspection::OffsetOf(uint64_t unit) const {
    if (Type == 2) return kHeader + 512 * (unit / 256) + unit % 256;
    return kHeader + unit * UnitBytes();
}

uint64_t HxwInspection::AddressOf(uint64_t unit) const { return uint64_t{Start} + unit; }

const char* HxwTypeName(int type, int modeByte) {
    switch (type) {
        case 0:
            return "Normal";
        case 1:
            return "720 Series";
        case 3:
            return "4500 Series";
        case 2:
            return modeByte == 4 ? "4Byte Mode" : modeByte == 8 ? "8Byte Mode" : "word mode";
        default:
            return "unknown";
    }
}

uint32_t InspectHxw(const std::string& path, HxwInspection& out, size_t maxRuns) {
    out = HxwInspection{};
    hxw::File file;
    if (!file.Open(path, "rb")) return 0x7000;
    std::error_code ec;
    out.FileBytes = std::filesystem::file_size(path, ec);
    if (ec) return 0x7005;
    auto problem = [&](const std::string& text) {
        if (out.Problem.empty()) out.Problem = text;
    };

    char h[kHeader];
    const size_t got = file.Read(h, kHeader);
    if (got < kHeader) {
        problem("the file is " + std::to_string(got) + " bytes, shorter than its 512-byte header");
        return 0;
    }
    out.HeaderRead = true;
    out.BodyBytes = out.FileBytes - kHeader;

    // The header's fields, in the order they stand.
    if (std::memcmp(h, kMagic, 16) != 0 || h[16] != '\r' || h[17] != '\n')
        problem("line 1 is not \"OMK-ZV HXW file.\"");
    const bool startOk = ReadHex(h + 18, 8, out.Start);
    const bool endOk = ReadHex(h + 27, 8, out.End);
    if (!startOk) problem("the start address at offset 18 is not 8 hexadecimal digits");
    if (h[26] != ',') problem(ByteAt(26, h[26]) + ", not the ',' between start and end");
    if (!endOk) problem("the end address at offset 27 is not 8 hexadecimal digits");
    if (h[35] != '\r' || h[36] != '\n') problem("line 2 does not end at offset 35");
    if (h[37] == '0' || h[37] == '1' || h[37] == '2' || h[37] == '3')
        out.Type = h[37] - '0';
    else
        problem(ByteAt(37, h[37]) + ": the type line is not 0, 1, 2 or 3");
    if (h[38] != '\r' || h[39] != '\n') problem("line 3 does not end at offset 38");
    uint32_t stored = 0;
    if (ReadHex(h + 40, 4, stored) && h[44] == '\r' && h[45] == '\n')
        out.Stored = uint16_t(stored);
    else if (std::memcmp(h + 40, "      ", 6) == 0)
        problem("the checksum field is blank: the conversion did not finish");
    else
        problem("the checksum field at offset 40 is not 4 hexadecimal digits and CR LF");
    for (size_t i = 46; i < kHeader; ++i) {
        if (h[i] != ' ') {
            problem(ByteAt(i, h[i]) + ", not a space");
            break;
        }
    }
    if (out.Type < 0 || !startOk || !endOk) return 0;

    const uint32_t alignment = out.Type == 2 ? 0x10 : 0x100;
    if (out.Start % alignment)
        problem("the start address " + std::to_string(out.Start) + " is not a multiple of " +
                std::to_string(alignment));
    if (out.End < out.Start) {
        problem("the end address lies below the start address");
        return 0;
    }
    const uint64_t addresses = uint64_t{out.End} - out.Start + 1;
    uint64_t units;  // addresses the body should hold
    if (out.Type == 2) {
        units = (addresses + 255) / 256 * 256;
        out.ExpectedBodyBytes = units * 2;
    } else {
        units = addresses;
        out.ExpectedBodyBytes = addresses * out.UnitBytes();
    }
    if (out.BodyBytes != out.ExpectedBodyBytes) {
        problem("the body is " + std::to_string(out.BodyBytes) + " bytes, the header's range needs " +
                std::to_string(out.ExpectedBodyBytes));
    }

    // One pass over the body: the map and the sum, by the type's own layout.
    const uint16_t blankWord = out.Type == 1 ? 0x01FF : 0x03FF;
    uint64_t gap = kPage;
    RunMerger merger(gap);
    BodyRun current;
    bool started = false;
    uint16_t sum = 0;
    uint64_t unit = 0;
    auto take = [&](bool data) {
        if (started && current.Data == data) {
            ++current.Units;
        } else {
            if (started) merger.Add(current);
            current = {data, unit, 1};
            started = true;
        }
        ++unit;
    };
    static constexpr size_t kChunk = 1 << 16;  // a multiple of 512: whole word-mode blocks
    std::vector<unsigned char> buffer(kChunk);
    uint64_t at = 0;  // body bytes read
    for (;;) {
        const size_t n = file.Read(buffer.data(), kChunk);
        if (n == 0) break;
        if (out.Type == 0) {
            for (size_t i = 0; i < n; ++i) {
                if (unit < units) sum = uint16_t(sum + buffer[i]);
                take(buffer[i] != 0xFF);
            }
        } else if (out.Type == 1 || out.Type == 3) {
            for (size_t i = 0; i + 1 < n; i += 2) {
                const uint16_t word = uint16_t(buffer[i] | (buffer[i + 1] << 8));
                if (unit < units) sum = uint16_t(sum + word);
                take(word != blankWord);
            }
        } else {
            if (at == 0 && n > 256) out.ModeByte = buffer[256];
            for (size_t b = 0; b + 512 <= n; b += 512) {
                for (size_t j = 0; j < 256; ++j) {
                    const unsigned char attribute = buffer[b + 256 + j];
                    if (unit < addresses) sum = uint16_t(sum + buffer[b + j]);
                    take(attribute != 0x00 && attribute != 0x80);
                }
            }
        }
        at += n;
        if (n < kChunk) break;
    }
    if (file.Handle() && std::ferror(file.Handle())) return 0x7005;
    if (started) merger.Add(current);
    out.Map = merger.Finish();
    out.MergedBelow = gap;
    // At most a screenful: coarser merging until the map fits.
    while (out.Map.size() > maxRuns && gap < (uint64_t{1} << 40)) {
        gap *= 16;
        RunMerger coarser(gap);
        for (const auto& r : out.Map) coarser.Add(r);
        out.Map = coarser.Finish();
        out.MergedBelow = gap;
    }

    if (out.Type == 2 && out.ModeByte != 4 && out.ModeByte != 8) {
        char text[96];
        if (out.ModeByte < 0)
            std::snprintf(text, sizeof text, "the body is too short to hold the mode byte at offset 768");
        else
            std::snprintf(text, sizeof text, "the mode byte at offset 768 is %02Xh, neither 04h nor 08h",
                          out.ModeByte);
        problem(text);
    }
    if (out.BodyBytes >= out.ExpectedBodyBytes) {
        out.Recomputed = sum;
        if (out.Stored && *out.Stored != sum) {
            char text[96];
            std::snprintf(text, sizeof text, "the stored checksum is %04Xh, the body sums to %04Xh",
                          *out.Stored, sum);
            problem(text);
        }
    }
    return 0;
}
