#include "base/AtomicReplace.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#include "base/File.h"
#include "base/Format.h"

namespace hxw {
namespace {
const ReplaceCalls* g_calls = nullptr;

// The folder part of target, separator included ("" for a bare name). Both separators count:
// where '\\' is an ordinary character the name built from this still lies in target's folder.
std::string FolderPrefix(const std::string& target) {
    const size_t cut = target.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
}

// A name no other save is using: random bits, a process-wide counter and the clock, so two
// saves (in this process or another) do not pick the same one; CreateNew settles any clash.
std::string CandidateName(const std::string& target) {
    static std::atomic<uint32_t> counter{0};
    static const uint64_t seed = [] {
        std::random_device device;
        return (uint64_t{device()} << 32) ^ device() ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    std::mt19937_64 mix(seed ^ (uint64_t{counter.fetch_add(1)} * 0x9E3779B97F4A7C15ull));
    return FolderPrefix(target) + Format(".tessmark-%016llx.tmp", static_cast<unsigned long long>(mix()));
}
}  // namespace

const ReplaceCalls& ActiveReplaceCalls() { return g_calls ? *g_calls : SystemReplaceCalls(); }

ScopedReplaceCalls::ScopedReplaceCalls(const ReplaceCalls& calls) : previous_(g_calls) { g_calls = &calls; }
ScopedReplaceCalls::~ScopedReplaceCalls() { g_calls = previous_; }

AtomicReplace::AtomicReplace(std::string target) : target_(std::move(target)) {}

bool AtomicReplace::Refuse(const char* why) {
    refusal_ = why;
    return false;
}

bool AtomicReplace::PrepareTarget() {
    refusal_.clear();
    keepPermissions_ = false;
    if (target_.empty()) return Refuse("has no name");
    std::string resolved;
    if (!FollowLinks(target_, resolved)) return Refuse("is a loop of symbolic links");
    target_ = std::move(resolved);
    switch (KindOf(target_)) {
        case PathKind::Missing:
            return true;
        case PathKind::Regular:
            if (IsReadOnly(target_)) return Refuse("is read-only");
            keepPermissions_ = true;
            return true;
        case PathKind::Folder:
            return Refuse("is a folder");
        default:
            return Refuse("is not a plain file");
    }
}

bool AtomicReplace::Begin() {
    Discard();
    if (!PrepareTarget()) return false;
    const ReplaceCalls& calls = ActiveReplaceCalls();
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = CandidateName(target_);
        switch (calls.CreateNew(name)) {
            case ReplaceCalls::Create::Created:
                temp_ = std::move(name);
                return true;
            case ReplaceCalls::Create::Exists:
                continue;
            case ReplaceCalls::Create::Failed:
                return false;
        }
    }
    return false;
}

bool AtomicReplace::Commit() {
    if (temp_.empty()) return false;
    const ReplaceCalls& calls = ActiveReplaceCalls();
    if (!calls.FlushToDevice(temp_)) {
        Discard();
        return false;
    }
    // After the flush, which reads the file: the target's bits may not allow that.
    if (keepPermissions_) CopyPermissions(target_, temp_);
    if (!calls.RenameOver(temp_, target_)) {
        Discard();
        return false;
    }
    temp_.clear();
    // The new file is in place; a folder that cannot be flushed means the rename may not
    // survive a power cut, which the caller hears about.
    return calls.FlushFolderOf(target_);
}

void AtomicReplace::Discard() {
    if (temp_.empty()) return;
    ActiveReplaceCalls().Remove(temp_);
    temp_.clear();
}

bool ReplaceFileContent(const std::string& path, const void* data, size_t size) {
    AtomicReplace save(path);
    if (!save.Begin()) return false;
    File file;
    if (!file.Open(save.TempPath(), "wb") || !file.Write(data, size) || !file.Close()) return false;
    return save.Commit();
}

}  // namespace hxw
