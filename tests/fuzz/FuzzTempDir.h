// A private folder for the files of one fuzz input. The folder is made once per process, under
// the temporary folder (scripts/fuzz.sh points TMPDIR at /dev/shm, so nothing touches a disk),
// and is emptied after every input: making and removing a folder per input cost more than the
// inputs themselves.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fuzzdir {

class Scope {
  public:
    Scope() : folder_(Folder()) { std::filesystem::create_directories(folder_); }
    ~Scope() {
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(folder_, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
            std::error_code removeError;
            std::filesystem::remove_all(it->path(), removeError);
        }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    std::string Path(const char* name) const { return (folder_ / name).string(); }

  private:
    static const std::filesystem::path& Folder() {
        static const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("tessmark-fuzz-" + std::to_string(::getpid()));
        return folder;
    }

    const std::filesystem::path& folder_;
};

inline void Write(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzzdir
