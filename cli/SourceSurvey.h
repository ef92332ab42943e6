// A look over a source file after its conversion, for the command line's report: where its data
// lie and which records the conversion passed over because their type means nothing to it.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct AddressRun {
    uint64_t First = 0;  // inclusive
    uint64_t Last = 0;   // inclusive
    uint64_t Size() const { return Last - First + 1; }
};

struct SourceSurvey {
    // The data addresses, sorted, without overlaps, adjacent runs joined.
    std::vector<AddressRun> Data;
    // Records of a type the formats do not define (HEX types other than 00-05, 81 and FF,
    // S-record types other than S0-S9): how many, the first one's line, the types seen.
    uint64_t IgnoredRecords = 0;
    uint64_t FirstIgnoredLine = 0;
    std::vector<std::string> IgnoredTypes;

    // Number of distinct data addresses within first..last.
    uint64_t DataWithin(uint64_t first, uint64_t last) const;
    // The data runs with gaps shorter than gap joined (fill holes inside a block of code).
    std::vector<AddressRun> Joined(uint64_t gap) const;
};

// Reads the source by the conversion pass's rules. False when it cannot be read, or when stop
// (if given) was set before the end.
bool SurveySource(const std::string& path, SourceSurvey& survey, const std::atomic<bool>* stop = nullptr);

// A survey of a plain source file, made on a thread of its own from construction on, so that
// it runs beside the conversion of the same file on another processor core. A source that is
// not a plain file (a pipe) is not surveyed: it cannot be read a second time.
class BackgroundSurvey {
  public:
    explicit BackgroundSurvey(const std::string& path);
    // Stops the survey early and waits for its thread.
    ~BackgroundSurvey();
    BackgroundSurvey(const BackgroundSurvey&) = delete;
    BackgroundSurvey& operator=(const BackgroundSurvey&) = delete;

    // Waits for the survey; null when the source could not be surveyed.
    const SourceSurvey* Result();

  private:
    SourceSurvey survey_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
