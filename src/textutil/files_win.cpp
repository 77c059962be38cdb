// Files through the wide-character API, so that names work whatever the
// system's own code page is.
#include <windows.h>
#undef ReplaceFile  // the system's macro would rename ours

#include <atomic>
#include <climits>

#include "textutil/codepage_os.h"
#include "textutil/files_os.h"

namespace pelko::os {

namespace {

std::wstring Wide(const Text& path) {
    std::u16string units = DecodeToUtf16(path, 936);
    return std::wstring(units.begin(), units.end());
}

Text Narrow(const std::wstring& wide) {
    return EncodeFromUtf16(std::u16string(wide.begin(), wide.end()), 936);
}

bool LosesCharacters(const std::wstring& wide) {
    std::u16string back = DecodeToUtf16(Narrow(wide), 936);
    return std::wstring(back.begin(), back.end()) != wide;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (ok()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    bool Close() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h != INVALID_HANDLE_VALUE && h != nullptr && CloseHandle(h);
    }

private:
    HANDLE h_;
};

bool WriteAll(HANDLE h, std::string_view data) {
    while (!data.empty()) {
        DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data.remove_prefix(written);
    }
    return true;
}

}  // namespace

Text ExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
    if (LosesCharacters(buf)) {
        // A folder name that code page 936 cannot spell: its short form is
        // plain ASCII where the volume keeps short names.
        DWORD n = GetShortPathNameW(buf.c_str(), nullptr, 0);
        if (n > 0) {
            std::wstring shortName(n, L'\0');
            n = GetShortPathNameW(buf.c_str(), shortName.data(), n);
            if (n > 0 && n < shortName.size()) {
                shortName.resize(n);
                if (!LosesCharacters(shortName)) return Narrow(shortName);
            }
        }
    }
    return Narrow(buf);
}

bool ReadWholeFile(const Text& path, std::string& out) {
    Handle f(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.ok()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 || size.QuadPart > INT_MAX) return false;
    std::string data;
    data.reserve(static_cast<size_t>(size.QuadPart));
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(f.get(), buf, sizeof buf, &got, nullptr)) return false;
        if (got == 0) break;
        data.append(buf, got);
    }
    out = std::move(data);
    return true;
}

bool ReplaceFile(const Text& path, std::string_view data) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Wide(path);
    // A read-only file is not to be written, as the private-profile
    // functions see it; some file systems would let the rename replace it.
    DWORD attrs = GetFileAttributesW(target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return false;
    const std::wstring temp = target + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter.fetch_add(1));
    {
        Handle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f.ok()) return false;
        bool ok = WriteAll(f.get(), data) && FlushFileBuffers(f.get());
        if (!f.Close() || !ok) {
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    // A reader that holds the old file without delete sharing (a scanner, an
    // editor) blocks the rename for a moment; try a few times before giving up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD err = GetLastError();
        if (attempt >= 5 || (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION &&
                             err != ERROR_ACCESS_DENIED)) {
            break;
        }
        Sleep(20 << attempt);
    }
    DeleteFileW(temp.c_str());
    return false;
}

bool StatFile(const Text& path, FileStamp& out) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    const std::wstring name = Wide(path);
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &info)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    FileStamp stamp;
    stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    uint64_t ticks = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                     info.ftLastWriteTime.dwLowDateTime;
    constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970-01-01 in 100 ns since 1601
    stamp.mtimeNs = ticks >= kUnixEpochTicks ? (ticks - kUnixEpochTicks) * 100 : 0;
    // The file index tells a replaced file from the old one even when the
    // clock is too coarse to (FAT keeps two-second times).
    Handle f(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION byHandle;
    if (f.ok() && GetFileInformationByHandle(f.get(), &byHandle))
        stamp.inode = (static_cast<uint64_t>(byHandle.nFileIndexHigh) << 32) | byHandle.nFileIndexLow;
    out = stamp;
    return true;
}

}  // namespace pelko::os
