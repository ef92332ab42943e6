// A fresh folder per test, removed afterwards; Path() ends with a separator, as the executable's
// folder does.
#pragma once
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("tm_app_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path() const { return dir_.string() + "/"; }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream out(dir_ / name, std::ios::binary);
        out << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

  private:
    std::filesystem::path dir_;
};
