#include "cli/VerifyDownload.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "base/File.h"
#include "cli/CliCommon.h"
#include "cli/CliJson.h"
#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"

namespace fs = std::filesystem;

namespace {
// A folder of our own in the system's temporary folder, created exclusively.
bool MakePrivateFolder(fs::path& folder) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return false;
    std::random_device device;
    std::mt19937_64 rng(uint64_t(device()) ^
                        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "tessmark-verify-%016llx", (unsigned long long)rng());
        folder = base / name;
        if (fs::create_directory(folder, ec) && !ec) return true;
    }
    return false;
}

// Removes the folder and what is in it when it goes out of scope.
struct FolderGuard {
    fs::path folder;
    ~FolderGuard() {
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
    }
};

// The first offset where the two files differ, their sizes and the bytes there. False when one
// cannot be read.
struct Comparison {
    bool same = false;
    uint64_t offset = 0;
    int sent = -1, back = -1;  // the bytes at offset, -1 past a file's end
};

bool CompareFiles(const std::string& a, const std::string& b, Comparison& c) {
    hxw::File fa, fb;
    if (!fa.Open(a, "rb") || !fb.Open(b, "rb")) return false;
    static constexpr size_t kChunk = 1 << 16;
    std::vector<uint8_t> ba(kChunk), bb(kChunk);
    uint64_t at = 0;
    for (;;) {
        const size_t na = fa.Read(ba.data(), kChunk);
        const size_t nb = fb.Read(bb.data(), kChunk);
        const size_t n = std::min(na, nb);
        for (size_t i = 0; i < n; ++i) {
            if (ba[i] != bb[i]) {
                c = {false, at + i, ba[i], bb[i]};
                return true;
            }
        }
        if (na != nb) {
            c = {false, at + n, na > n ? ba[n] : -1, nb > n ? bb[n] : -1};
            return true;
        }
        if (na == 0) break;
        at += na;
    }
    if ((fa.Handle() && std::ferror(fa.Handle())) || (fb.Handle() && std::ferror(fb.Handle()))) return false;
    c = {true, at, -1, -1};
    return true;
}

std::string ByteText(int b) {
    if (b < 0) return "end of file";
    char text[16];
    std::snprintf(text, sizeof text, "%02Xh", unsigned(b));
    return text;
}
}  // namespace

int VerifyDownload(HxwConverter& engine, const std::string& path, const std::string& name) {
    CliReport* report = CliReport::Current();
    JsonObject verify;
    auto verdict = [&](bool ok, const std::string& line) {
        Say("%s\n", line.c_str());
        verify.Bool("verified", ok).Str("verdict", line);
        if (report) {
            report->Fields().Obj("verify", verify);
            if (!ok) report->SetExit(kExitFailure);
        }
        return ok ? kExitOk : kExitFailure;
    };
    std::error_code ec;
    const uint64_t size = fs::file_size(path, ec);
    if (ec) return verdict(false, "verify failed: " + path + " cannot be read again");

    // 1. What the unit says it holds.
    if (!engine.OpenLink()) {
        engine.LastResult = rc::UsbInit;
        return verdict(false,
                       "verify failed: " + FailureLine(rc::UsbInit) + " (reading the file information)");
    }
    UnitFileInfo info;
    if (const uint32_t code = engine.ReadUnitFileInfo(info); code && (verify.Num("result", code), true))
        return verdict(false, "verify failed: " + FailureLine(code) + " (reading the file information)");
    engine.CloseLink();
    verify.Str("unit_name", info.Name).Num("unit_size", info.Size);
    if (info.Name != name || info.Size != size) {
        return verdict(false, "verify failed: the unit holds " + info.Name + " of " +
                                  std::to_string(info.Size) + " bytes, not " + name + " of " +
                                  std::to_string(size) + " bytes");
    }

    // 2. The file read back, compared byte for byte.
    FolderGuard guard;
    if (!MakePrivateFolder(guard.folder)) {
        guard.folder.clear();
        return verdict(false, "verify failed: no temporary folder could be made for the read-back");
    }
    std::string folder = guard.folder.string();
    folder += static_cast<char>(fs::path::preferred_separator);
    std::string backName;
    uint32_t code;
    {
        TerminalProgress progress("reading back");
        code = engine.UploadFile(folder, backName, progress);
    }
    if (code) {
        verify.Num("result", code);
        return verdict(false, "verify failed: " + FailureLine(code) + " (reading the file back)");
    }
    Comparison c;
    if (!CompareFiles(path, folder + backName, c))
        return verdict(false, "verify failed: the file read back cannot be compared");
    if (!c.same) {
        verify.Num("first_difference", c.offset);
        char offset[32];
        std::snprintf(offset, sizeof offset, "%llu (%llXh)", (unsigned long long)c.offset,
                      (unsigned long long)c.offset);
        return verdict(false, "verify failed: first difference at offset " + std::string(offset) + ": sent " +
                                  ByteText(c.sent) + ", read back " + ByteText(c.back));
    }
    verify.Num("bytes", size);
    return verdict(true, "verified: " + std::to_string(size) + " bytes identical");
}
