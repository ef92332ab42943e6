// A close look at an HXW image for the inspect command: its header fields, its body's length
// against the header's range, its stored checksum against the one its body gives, and a map of
// where its data and its fill lie. Reads the file once, never changes it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct BodyRun {
    bool Data = false;       // data, or blank fill (FF, the series' blank word, blank word-mode addresses)
    uint64_t FirstUnit = 0;  // index of the first address in the body
    uint64_t Units = 0;      // number of addresses
};

struct HxwInspection {
    uint64_t FileBytes = 0;
    bool HeaderRead = false;  // at least the 512 header bytes are there
    uint32_t Start = 0, End = 0;
    int Type = -1;                       // the type line's digit, -1 when unreadable
    int ModeByte = -1;                   // type 2: the byte at offset 768, -1 when absent
    std::optional<uint16_t> Stored;      // the checksum field, when written
    std::optional<uint16_t> Recomputed;  // what the body sums to, when the body is whole
    uint64_t BodyBytes = 0;
    uint64_t ExpectedBodyBytes = 0;  // what the header's range needs (0 when not known)
    std::vector<BodyRun> Map;
    uint64_t MergedBelow = 0;  // fill runs shorter than this many addresses are shown with the data
    std::string Problem;       // the first inconsistency; empty when the file is consistent

    // Bytes per address in the body's layout: 1 Normal, 2 series; word modes 1 (their data half).
    unsigned UnitBytes() const { return Type == 1 || Type == 3 ? 2u : 1u; }
    // The file offset of an address index (its data byte for the word modes).
    uint64_t OffsetOf(uint64_t unit) const;
    // The address of an address index.
    uint64_t AddressOf(uint64_t unit) const;
};

// 0 when the file could be read (consistent or not: see Problem), 0x7000 when it cannot be
// opened, 0x7005 when reading it fails. maxRuns bounds the map (fill holes are merged, a page
// at a time and coarser, until it fits).
uint32_t InspectHxw(const std::string& path, HxwInspection& out, size_t maxRuns = 20);

const char* HxwTypeName(int type, int modeByte);
