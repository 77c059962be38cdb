// Files through the wide-character API, so that names work whatever the
// system's own code page is.
#include <windows.h>
#undef ReplaceFile  // the system's macro would rename ours

#include <atomic>
#include <climits>

#include "textutil/codepage.h"
#include "textutil/files_os.h"

namespace pelko::os {

namespace {

std::wstring Wide(const Text& path) {
    std::u16string units = AnsiToUtf16(path);
    return std::wstring(units.begin(), units.end());
}

Text Narrow(const std::wstring& wide) {
    return Utf16ToAnsi(std::u16string(wide.begin(), wide.end()));
}

bool LosesCharacters(const std::wstring& wide) {
    std::u16string back = AnsiToUtf16(Narrow(wide));
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

// "<pid>-<counter>" after the temporary prefix: the writer's process id, or 0.
DWORD TempOwner(const std::wstring& rest) {
    DWORD pid = 0;
    int field = 0;
    bool digit = false;
    for (wchar_t c : rest) {
        if (c >= L'0' && c <= L'9') {
            if (field == 0 && pid < 100000000) pid = pid * 10 + static_cast<DWORD>(c - L'0');
            digit = true;
        } else if (c == L'-' && digit && field == 0) {
            field = 1;
            digit = false;
        } else {
            return 0;
        }
    }
    return field == 1 && digit ? pid : 0;
}

bool ProcessIsGone(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    DWORD code = 0;
    bool gone = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return gone;
}

// A writer killed between creating its temporary file and renaming it leaves
// the file behind; without this, every such kill would leave one more.  Only
// files of this target whose writing process is gone are removed.
void RemoveStaleTemps(const std::wstring& target) {
    const std::wstring prefix = target + L".tmp";
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring namePrefix = prefix.substr(folder.size());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    do {
        const std::wstring name = found.cFileName;
        if (name.size() <= namePrefix.size() || name.compare(0, namePrefix.size(), namePrefix) != 0) continue;
        DWORD owner = TempOwner(name.substr(namePrefix.size()));
        if (owner == 0 || owner == self || !ProcessIsGone(owner)) continue;
        DeleteFileW((folder + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool ReplaceFile(const Text& path, std::string_view data) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Wide(path);
    // A read-only file is not to be written, as the private-profile
    // functions see it; some file systems would let the rename replace it.
    DWORD attrs = GetFileAttributesW(target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return false;
    // First, so that on a full disk the space they hold comes back.
    RemoveStaleTemps(target);
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

LockResult LockFileExclusive(const Text& path, LockHandle& out) {
    const std::wstring name = Wide(path);
    // Others may open the file; the byte-range lock is what excludes them.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    // In a read-only folder an existing lock file still locks.
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LockResult::Unavailable;
    OVERLAPPED at{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockResult::Busy
                                                                          : LockResult::Unavailable;
    }
    out = reinterpret_cast<LockHandle>(h);
    return LockResult::Held;
}

void UnlockFile(LockHandle handle) {
    // Closing the handle drops its lock.
    if (handle != -1 && handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace pelko::os
