// A private folder for one fuzz input: every file a target writes lies inside it, and the folder
// is gone again when the input is done (the fuzzer may end the process without running exit
// handlers, so nothing is left for later).
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fuzzdir {

class Scope {
  public:
    Scope() {
        static const std::string name = [] {
            std::random_device rd;
            return "tessmark-fuzz-" + std::to_string(rd()) + std::to_string(rd());
        }();
        folder_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(folder_);
    }
    ~Scope() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    std::string Path(const char* name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
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
