// The flash-programming unit's side of the protocol, in software: it reads command frames from
// the control pipe, answers them with reply frames (with 0x06 acknowledgements between), takes a
// downloaded file from the host-to-unit pipe and hands its file back on the unit-to-host pipe.
// Its one file lives in a folder, so it survives between runs. Faults can be switched on to
// exercise every failure path of the link.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "device/DeviceOps.h"

// Fault injection. Counters are per session (open to close) and count from 1; 0 means never.
struct UnitFaults {
    bool RefuseOpen = false;      // the unit is not there
    bool FailCheck = false;       // open, but it does not answer the check
    uint16_t ProductId = 0x0002;  // 0x0100 exercises the second product ID
    uint32_t InfoResult = 0;      // result in the file-information reply
    uint32_t FirstResult = 0;     // result in the reply to the download command
    uint32_t FinalResult = 0;     // result in the reply that ends a download or upload
    uint32_t FailSend = 0;        // the n-th control write fails
    uint32_t FailReceive = 0;     // the n-th control read fails
    uint32_t FailBulk = 0;        // the n-th bulk transfer (either pipe, zero-length ones aside) fails
    uint32_t Acks = 1;            // 0x06 reads before every reply
    uint32_t Unterminated = 0;    // "{..." reads without the closing "}" before every reply
    bool ShortInfo = false;       // the information reply as a bare frame too short for its fields
    uint32_t CorruptUpload = 0;   // the n-th byte handed out by an upload has its bits inverted
    bool HasName = false;         // report Name instead of the stored file's name
    std::string Name;
};

// Reads faults from a comma-separated list, as the environment gives them:
//   refuse-open, fail-check, product=0100, info-result=HEX, first-result=HEX, final-result=HEX,
//   fail-send=N, fail-receive=N, fail-bulk=N, acks=N, unterminated=N, short-info,
//   corrupt-upload=N, name=TEXT
// (name= takes the rest of the list). Returns false and names the bad item in error.
bool ParseUnitFaults(const std::string& text, UnitFaults& faults, std::string& error);

// The unit's own result codes (anything non-zero; the host gives them no meaning).
namespace unitcode {
constexpr uint32_t BadFrame = 0x0E01;     // not "<" + length + payload + ">"
constexpr uint32_t BadCommand = 0x0E02;   // unknown command code
constexpr uint32_t BadFileInfo = 0x0E03;  // a download command without its file information
constexpr uint32_t NoFile = 0x0E04;       // upload asked of a unit that holds no file
constexpr uint32_t Storage = 0x0E05;      // the file could not be kept
}  // namespace unitcode

class UnitEmulator {
  public:
    // folder: where the unit keeps its file ("unit.bin", "unit.inf") and the last security
    // record ("security.sec"); created when missing.
    explicit UnitEmulator(std::string folder, UnitFaults faults = {});

    UnitFaults& Faults() { return faults_; }
    const std::string& Folder() const { return folder_; }
    static constexpr uint16_t VendorId = 0x1079;
    uint16_t ProductId() const { return faults_.ProductId; }

    // A session: from the host's open to its close. Open fails when the unit refuses.
    bool Open();
    void Close();
    bool IsOpen() const;
    // What the check asks: is the unit answering?
    bool Answers() const;

    // The control pipe: one command frame to the unit, one read of a reply.
    bool ControlOut(const uint8_t* data, uint32_t length);
    // While bulk data is still on its way, a read with no reply ready gives 0x06 (busy) for up
    // to kBusyLimit after the last bulk activity; otherwise it fails.
    bool ControlIn(uint8_t* buffer, uint32_t length);
    static constexpr std::chrono::seconds kBusyLimit{5};

    // Host-to-unit bulk data (pipe 1). A zero-length write ends a transfer and is otherwise ignored.
    bool BulkOut(const uint8_t* data, uint32_t length);
    // Unit-to-host bulk data (pipe 0): one transfer of up to length bytes (at most one 256-byte
    // block) of what the unit has to send; done = 0 when nothing is ready. With waitMs > 0 it
    // first waits that long for data. A failed transfer, either way, ends the exchange.
    bool BulkIn(uint8_t* buffer, uint32_t length, uint32_t& done, uint32_t waitMs = 0);

    // The file the unit holds; false when it holds none.
    bool StoredFile(UnitFileInfo& info, std::vector<uint8_t>& data) const;
    bool StoreFile(const UnitFileInfo& info, const std::vector<uint8_t>& data);
    bool LastSecurityRecord(std::vector<uint8_t>& record) const;

    // What happened in the current (or last) session, for tests.
    struct Log {
        std::vector<std::string> Commands;  // control frames as received
        std::vector<uint32_t> BulkOut;      // sizes of host-to-unit writes, zero-length ones included
        std::vector<uint32_t> BulkIn;       // sizes of unit-to-host reads served
        uint32_t Sessions = 0;              // opens over the emulator's life
    };
    Log SessionLog() const;

  private:
    void QueueReply(const std::string& frame);
    void QueueResult(uint32_t code, uint32_t command);
    void HandleCommand(const std::string& payload);
    void FinishDownload();
    bool StoredFileLocked(UnitFileInfo& info, std::vector<uint8_t>& data) const;

    std::string folder_;
    UnitFaults faults_;
    mutable std::mutex mutex_;
    std::condition_variable bulkReady_;

    bool open_ = false;
    uint32_t controlWrites_ = 0, controlReads_ = 0, bulkTransfers_ = 0;
    // What the next control reads give: each entry one read's bytes, given Times reads in a row,
    // so a fault asking for millions of acknowledgements costs no memory.
    struct ScriptedRead {
        std::string Bytes;
        uint64_t Times = 1;
    };
    std::deque<ScriptedRead> replies_;
    std::deque<uint8_t> bulkIn_;
    bool uploadPending_ = false;  // the final upload reply follows the last byte read
    bool downloading_ = false;
    std::chrono::steady_clock::time_point lastBulk_{};
    UnitFileInfo incoming_;
    std::vector<uint8_t> received_;
    Log log_;
};
