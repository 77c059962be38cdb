// Shared pieces of the fuzz targets.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(condition)                                                             \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace pelko::fuzz {

// A fresh folder for the run's files, under TMPDIR (default /tmp).
inline std::string ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelko-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    return pattern;
}

// The program's literals must be code page 936 here as in the real build;
// every target checks that as it starts.
inline void CheckLiteralCharset() {
    const std::string text = "中";
    FUZZ_CHECK(text == "\xD6\xD0");
}
[[maybe_unused]] static const bool kLiteralCharsetChecked = (CheckLiteralCharset(), true);

// Input bytes as a Text, which ends at its first NUL.
inline std::string AsText(std::string bytes) {
    bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
    return bytes;
}

}  // namespace pelko::fuzz
