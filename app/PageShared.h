// What the page handlers of MainDialog share: the values the pages hold for types and domains,
// the message box captions, and the page layout.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pages {
// Hxw file types and domain settings as the page holds them.
inline constexpr uint8_t Normal = 0, Series720 = 1, Series4500 = 3, Byte4Mode = 4, Byte8Mode = 8;
inline constexpr uint32_t Auto = 0, Manual = 1;

inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kWindowCaption = "Tessmark";

inline bool IsWordMode(uint8_t type) { return type == Byte4Mode || type == Byte8Mode; }

// The page's sum word for a type: "Checksum" for the byte images, "Datasum" for the series.
inline const char* SumLineFormat(uint8_t type) {
    switch (type) {
        case Normal:
        case Byte4Mode:
        case Byte8Mode:
            return "  Checksum :%04Xh.";
        case Series720:
        case Series4500:
            return "  Datasum :%04Xh.";
        default:
            return nullptr;
    }
}

// Where a page's controls go when it is shown.
struct Placement {
    int id;
    int x, y, width, height;
};

// A page's controls in the order they are shown and moved, and the group box that holds them in
// the template (never shown).
struct Page {
    int groupBox;
    const Placement* begin;
    const Placement* end;
};

inline constexpr int kPageCount = 5;
// The page of a tab index (0..kPageCount-1).
const Page& PageLayout(int page);
// The tab texts, in page order.
const char* TabText(int page);
}  // namespace pages
