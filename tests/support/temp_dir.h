// A fresh folder that stands in for the program's own folder during a test.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "config/paths.h"

namespace pelko::testing {

class TempRunDirectory {
public:
    TempRunDirectory() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("pelko-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
        SetRunDirectoryForTesting(path_.string());
    }
    ~TempRunDirectory() {
        SetRunDirectoryForTesting("");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

    // Raw bytes of a file in the folder; the name is given in UTF-8.
    std::string Read(const std::u8string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::u8string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    bool Exists(const std::u8string& name) const { return std::filesystem::exists(path_ / name); }

private:
    std::filesystem::path path_;
};

}  // namespace pelko::testing
