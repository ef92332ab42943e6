#include "device/emulator/UnitEmulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/AtomicReplace.h"
#include "base/File.h"
#include "base/Format.h"
#include "base/HexRead.h"

namespace {
const char kDataFile[] = "unit.bin";
const char kInfoFile[] = "unit.inf";
const char kSecurityFile[] = "security.sec";
const char kSecurityName[] = "security.sec";

std::string Hex(uint32_t value, int digits) { return hxw::Format("%0*X", digits, unsigned(value)); }

// Strict hexadecimal of up to eight digits.
bool ParseHex(const std::string& text, uint32_t& value) { return hxw::ReadStrictHex(text, 8, value); }

// Strict fixed-width hexadecimal, as the host writes its fields.
bool FieldHex(const std::string& text, size_t pos, size_t digits, uint32_t& value) {
    if (pos + digits > text.size()) return false;
    return ParseHex(text.substr(pos, digits), value);
}

std::string Join(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

void MakeFolder(const std::string& folder) {
    if (!folder.empty()) hxw::MakeFolder(folder);
}

bool ReadAll(const std::string& path, std::vector<uint8_t>& data) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    data.clear();
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Saved through the one atomic replace, so a crash never leaves half a file.
bool WriteAll(const std::string& path, const void* data, size_t size) {
    return hxw::ReplaceFileContent(path, data, size);
}

bool SaveUnitFile(const std::string& folder, const UnitFileInfo& info, const std::vector<uint8_t>& data) {
    MakeFolder(folder);
    std::string text = info.Name + "\n" + Hex(uint32_t(data.size()), 8) + " " + Hex(info.CreationTime, 8) +
                       " " + Hex(info.LastWriteTime, 8) + " " + Hex(info.LastAccessDate, 4) + " " +
                       Hex(info.Attributes, 2) + "\n";
    // The data first: a description without matching data reads as no file.
    return WriteAll(Join(folder, kDataFile), data.data(), data.size()) &&
           WriteAll(Join(folder, kInfoFile), text.data(), text.size());
}

std::string CommandText(const uint8_t* data, uint32_t length) {
    const char* text = reinterpret_cast<const char*>(data);
    return std::string(text, strnlen(text, length));
}
}  // namespace

UnitEmulator::UnitEmulator(std::string folder, UnitFaults faults)
    : folder_(std::move(folder)), faults_(std::move(faults)) {
    MakeFolder(folder_);
}

bool UnitEmulator::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (faults_.RefuseOpen) return false;
    open_ = true;
    controlWrites_ = controlReads_ = bulkTransfers_ = 0;
    replies_.clear();
    bulkIn_.clear();
    uploadPending_ = false;
    downloading_ = false;
    received_.clear();
    uint32_t sessions = log_.Sessions + 1;
    log_ = Log{};
    log_.Sessions = sessions;
    return true;
}

void UnitEmulator::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
        replies_.clear();
        bulkIn_.clear();
        uploadPending_ = false;
        downloading_ = false;
    }
    bulkReady_.notify_all();
}

bool UnitEmulator::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool UnitEmulator::Answers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ && !faults_.FailCheck;
}

void UnitEmulator::QueueReply(const std::string& frame) {
    if (faults_.Acks) replies_.push_back({std::string(1, char(unitlink::Ack)), faults_.Acks});
    if (faults_.Unterminated) {
        std::string junk(64, '0');
        junk[0] = '{';
        replies_.push_back({junk, faults_.Unterminated});
    }
    replies_.push_back({frame, 1});
}

void UnitEmulator::QueueResult(uint32_t code, uint32_t command) {
    char frame[32];
    std::snprintf(frame, sizeof frame, "{%04X00%04X}", unsigned(command & 0xFFFF), unsigned(code & 0xFFFF));
    QueueReply(frame);
}

bool UnitEmulator::ControlOut(const uint8_t* data, uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    if (++controlWrites_ == faults_.FailSend) return false;
    std::string frame = CommandText(data, length);
    log_.Commands.push_back(frame);
    // A new command ends whatever exchange was under way.
    replies_.clear();
    downloading_ = false;
    uploadPending_ = false;
    bulkIn_.clear();
    uint32_t declared = 0;
    if (frame.size() < 8 || frame.front() != '<' || frame.back() != '>' || !FieldHex(frame, 1, 2, declared) ||
        declared != frame.size() - 4) {
        QueueResult(unitcode::BadFrame, 0);
        return true;
    }
    HandleCommand(frame.substr(3, frame.size() - 4));
    return true;
}

void UnitEmulator::HandleCommand(const std::string& payload) {
    uint32_t code = 0;
    if (!FieldHex(payload, 0, 4, code)) {
        QueueResult(unitcode::BadCommand, 0);
        return;
    }
    if (code == unitcmd::FileInfo && payload.size() == 4) {
        if (faults_.ShortInfo) {
            QueueResult(faults_.InfoResult, code);
            return;
        }
        UnitFileInfo info;
        std::vector<uint8_t> data;
        if (!StoredFileLocked(info, data)) info = UnitFileInfo{};
        if (faults_.HasName) info.Name = faults_.Name;
        std::string reply(1, '{');
        reply += Hex(code, 4);
        reply += "00";
        reply += Hex(faults_.InfoResult & 0xFFFF, 4);
        reply += info.Name;
        reply += Hex(info.Size, 8);
        reply += Hex(info.CreationTime, 8);
        reply += Hex(info.LastWriteTime, 8);
        reply += Hex(info.LastAccessDate, 4);
        reply += Hex(info.Attributes, 2);
        reply += '}';
        QueueReply(reply);
        return;
    }
    if (code == unitcmd::Download) {
        // "3200" + name + size(8) created(8) modified(8) access(4) attributes(2)
        const size_t tail = 30;
        UnitFileInfo info;
        uint32_t access = 0, attributes = 0;
        size_t n = payload.size();
        if (n < 4 + tail || !FieldHex(payload, n - 30, 8, info.Size) ||
            !FieldHex(payload, n - 22, 8, info.CreationTime) ||
            !FieldHex(payload, n - 14, 8, info.LastWriteTime) || !FieldHex(payload, n - 6, 4, access) ||
            !FieldHex(payload, n - 2, 2, attributes) || info.Size == 0) {
            QueueResult(unitcode::BadFileInfo, code);
            return;
        }
        info.Name = payload.substr(4, n - 4 - tail);
        info.LastAccessDate = uint16_t(access);
        info.Attributes = uint8_t(attributes);
        if (faults_.FirstResult) {
            QueueResult(faults_.FirstResult, code);
            return;
        }
        incoming_ = info;
        received_.clear();
        downloading_ = true;
        lastBulk_ = std::chrono::steady_clock::now();
        QueueResult(0, code);
        return;
    }
    if (code == unitcmd::Upload && payload.size() == 4) {
        UnitFileInfo info;
        std::vector<uint8_t> data;
        if (!StoredFileLocked(info, data)) {
            QueueResult(unitcode::NoFile, code);
            return;
        }
        bulkIn_.assign(data.begin(), data.end());
        // The stored file stays as it is; only the copy on its way out is damaged.
        if (faults_.CorruptUpload && faults_.CorruptUpload <= bulkIn_.size()) bulkIn_[faults_.CorruptUpload - 1] ^= 0xFF;
        uploadPending_ = true;
        lastBulk_ = std::chrono::steady_clock::now();
        if (bulkIn_.empty()) {
            uploadPending_ = false;
            QueueResult(faults_.FinalResult, code);
        }
        bulkReady_.notify_all();
        return;
    }
    QueueResult(unitcode::BadCommand, code);
}

bool UnitEmulator::ControlIn(uint8_t* buffer, uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    std::memset(buffer, 0, length);
    if (replies_.empty()) {
        // Data still on its way through a pipe: the unit acknowledges that it is busy, for a while.
        if ((downloading_ || uploadPending_) && std::chrono::steady_clock::now() - lastBulk_ < kBusyLimit) {
            if (length > 0) buffer[0] = unitlink::Ack;
            return true;
        }
        // Nothing to say: the read stalls, which the host sees as a failed read.
        return false;
    }
    if (++controlReads_ == faults_.FailReceive) return false;
    ScriptedRead& next = replies_.front();
    std::memcpy(buffer, next.Bytes.data(), std::min<size_t>(length, next.Bytes.size()));
    if (--next.Times == 0) replies_.pop_front();
    return true;
}

bool UnitEmulator::BulkOut(const uint8_t* data, uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return false;
    log_.BulkOut.push_back(length);
    if (length == 0) return true;
    if (++bulkTransfers_ == faults_.FailBulk) {
        // The unit gives up on the download: no busy answers for data that will not come.
        downloading_ = false;
        return false;
    }
    lastBulk_ = std::chrono::steady_clock::now();
    if (!downloading_ || received_.size() + length > incoming_.Size) return false;
    received_.insert(received_.end(), data, data + length);
    if (received_.size() == incoming_.Size) FinishDownload();
    return true;
}

void UnitEmulator::FinishDownload() {
    downloading_ = false;
    bool stored;
    if (incoming_.Name == kSecurityName) {
        // The security record sets the unit up; it does not replace the file the unit holds.
        MakeFolder(folder_);
        stored = WriteAll(Join(folder_, kSecurityFile), received_.data(), received_.size());
    } else {
        stored = SaveUnitFile(folder_, incoming_, received_);
    }
    received_.clear();
    QueueResult(stored ? faults_.FinalResult : unitcode::Storage, unitcmd::Download);
}

bool UnitEmulator::BulkIn(uint8_t* buffer, uint32_t length, uint32_t& done, uint32_t waitMs) {
    done = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    if (waitMs > 0) {
        bulkReady_.wait_for(lock, std::chrono::milliseconds(waitMs),
                            [&] { return !open_ || !bulkIn_.empty(); });
    }
    if (!open_) return false;
    // Nothing ready yet is no transfer.
    if (length == 0 || bulkIn_.empty()) return true;
    if (++bulkTransfers_ == faults_.FailBulk) {
        uploadPending_ = false;
        bulkIn_.clear();
        return false;
    }
    lastBulk_ = std::chrono::steady_clock::now();
    // One transfer is at most one block, whatever the host's buffer: blocks never run together.
    done = uint32_t(std::min<size_t>({length, bulkIn_.size(), size_t(unitlink::BlockSize)}));
    std::copy_n(bulkIn_.begin(), done, buffer);
    bulkIn_.erase(bulkIn_.begin(), bulkIn_.begin() + done);
    log_.BulkIn.push_back(done);
    if (bulkIn_.empty() && uploadPending_) {
        uploadPending_ = false;
        QueueResult(faults_.FinalResult, unitcmd::Upload);
    }
    return true;
}

bool UnitEmulator::StoredFileLocked(UnitFileInfo& info, std::vector<uint8_t>& data) const {
    std::vector<uint8_t> text;
    if (!ReadAll(Join(folder_, kInfoFile), text) || !ReadAll(Join(folder_, kDataFile), data)) return false;
    std::string s(text.begin(), text.end());
    size_t nl = s.find('\n');
    if (nl == std::string::npos) return false;
    UnitFileInfo read;
    read.Name = s.substr(0, nl);
    unsigned size = 0, created = 0, modified = 0, access = 0, attributes = 0;
    if (std::sscanf(s.c_str() + nl + 1, "%8X %8X %8X %4X %2X", &size, &created, &modified, &access,
                    &attributes) != 5) {
        return false;
    }
    // A data file that does not match its description is no file at all.
    if (size != data.size()) return false;
    read.Size = size;
    read.CreationTime = created;
    read.LastWriteTime = modified;
    read.LastAccessDate = uint16_t(access);
    read.Attributes = uint8_t(attributes);
    info = read;
    return true;
}

bool UnitEmulator::StoredFile(UnitFileInfo& info, std::vector<uint8_t>& data) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return StoredFileLocked(info, data);
}

bool UnitEmulator::StoreFile(const UnitFileInfo& info, const std::vector<uint8_t>& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    return SaveUnitFile(folder_, info, data);
}

bool UnitEmulator::LastSecurityRecord(std::vector<uint8_t>& record) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ReadAll(Join(folder_, kSecurityFile), record);
}

UnitEmulator::Log UnitEmulator::SessionLog() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}
