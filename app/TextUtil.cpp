#include "app/TextUtil.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

uint32_t ReadHex(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<uint32_t>(digit);  // overlong texts keep their low bits
    }
    return value;
}

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    size_t slash = std::string::npos;
    for (size_t i = rest.size(); i > 0; --i) {
        if (IsSeparator(rest[i - 1])) {
            slash = i - 1;
            break;
        }
    }
    if (slash != std::string::npos) {
        parts.folder = rest.substr(0, slash + 1);
        rest.erase(0, slash + 1);
    }
    const size_t dot = rest.rfind('.');
    if (dot != std::string::npos) {
        parts.ext = rest.substr(dot);
        rest.erase(dot);
    }
    parts.name = rest;
    return parts;
}

std::string FileNamePart(const std::string& path) {
    const PathParts parts = SplitPath(path);
    return parts.name + parts.ext;
}

std::string FolderPart(const std::string& path) {
    const PathParts parts = SplitPath(path);
    return parts.drive + parts.folder;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}
