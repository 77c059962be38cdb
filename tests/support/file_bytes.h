// A whole file as bytes, read or written in one go.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pelko::testing {

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace pelko::testing
