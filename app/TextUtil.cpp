#include "app/TextUtil.h"

namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

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
