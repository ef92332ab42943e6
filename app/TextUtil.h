// Small text helpers of the operator window: lenient hexadecimal reading and path splitting.
#pragma once
#include <cstdint>
#include <string>

// Leading blanks skipped, reading stops at the first character that is not a hexadecimal digit,
// no digits give 0; the low 32 bits of the value are kept.
uint32_t ReadHex(const std::string& text);

// A path split like _splitpath: "C:", "\\work\\", "prog", ".hxw". Both '\\' and '/' separate.
struct PathParts {
    std::string drive;
    std::string folder;  // ends with its separator, or is empty
    std::string name;
    std::string ext;  // with its dot, or empty
};
PathParts SplitPath(const std::string& path);

// Name and extension without drive and folder: "C:\\work\\prog.hxw" gives "prog.hxw".
std::string FileNamePart(const std::string& path);
// Drive and folder: "C:\\work\\prog.hxw" gives "C:\\work\\". Used on the executable's own path to
// place ZV.DEF and Hxw.tmp.
std::string FolderPart(const std::string& path);

// printf into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__) && !defined(_WIN32)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
