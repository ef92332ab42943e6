// An engine whose results the test chooses. Each call is written into the fake window's log, so
// its place among the window changes shows, and remembers the window's texts at that moment.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "tests/support/FakeDialogView.h"
#include "app/PageOperations.h"

struct EngineCall {
    std::string operation;
    std::vector<std::string> texts;  // paths and names
    std::vector<uint32_t> numbers;   // type, mode, kind, start, end ...
    Progress* progress = nullptr;
    std::map<int, std::string> windowTexts;
};

class FakeEngine : public PageOperations {
  public:
    explicit FakeEngine(FakeDialogView& view) : view_(view) {}

    uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress) override {
        progress.SetRange(0, 10);
        progress.SetPos(10);
        return Record({"convert", {source, hxw}, {type, mode, start, end}, &progress, {}});
    }
    uint32_t CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                          uint32_t start, uint32_t end) override {
        return Record({"checksum", {path}, {kind, crcInit, manual ? 1u : 0u, start, end}, nullptr, {}});
    }
    uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress) override {
        progress.SetRange(0, 3);
        progress.SetPos(3);
        return Record({"download", {path, name}, {}, &progress, {}});
    }
    uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) override {
        progress.SetRange(0, 3);
        progress.SetPos(3);
        const uint32_t result = Record({"upload", {folder}, {}, &progress, {}});
        if (result == 0) nameOut = uploadName;
        return result;
    }
    uint32_t SendSecurityRecord(const SecurityRecord& record) override {
        sentRecords.push_back(record);
        return Record({"security", {}, {}, nullptr, {}});
    }
    uint16_t LastCheckSum() const override { return lastCheckSum; }

    std::deque<uint32_t> results;  // one per call, in order; 0 when none is left
    uint16_t lastCheckSum = 0;
    std::string uploadName = "PROG.HXW";
    std::vector<EngineCall> calls;
    std::vector<SecurityRecord> sentRecords;

  private:
    uint32_t Record(EngineCall call) {
        for (const auto& [id, control] : view_.controls) call.windowTexts[id] = control.text;
        view_.log.push_back("engine " + call.operation);
        calls.push_back(call);
        if (results.empty()) return 0;
        const uint32_t result = results.front();
        results.pop_front();
        return result;
    }

    FakeDialogView& view_;
};
