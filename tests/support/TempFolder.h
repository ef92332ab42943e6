// A fresh folder per test, removed afterwards.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tm_") + (info ? info->name() : "x") + "_" +
                           std::to_string(::getpid()) + "_" + std::to_string(counter++);
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        path_ = std::filesystem::path(testing::TempDir()) / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // With the trailing separator, as the executable's folder and the upload folder carry it.
    std::string folder() const { return path_.string() + "/"; }
    std::string Path() const { return folder(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string File(const std::string& name) const { return file(name); }
    std::string operator/(const std::string& name) const { return file(name); }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
    // The names in the folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path path_;
};
