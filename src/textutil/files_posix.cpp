// Files on POSIX: names are code page 936 inside the program and UTF-8 on
// disk, with "\" taken as a folder separator.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "textutil/codepage.h"
#include "textutil/utf8.h"
#include "textutil/files_os.h"

namespace pelko::os {

namespace {

// Convert before swapping separators: a GBK trail byte may be 0x5C.
std::string NativePath(const Text& path) {
    std::string utf8 = Utf16ToUtf8(AnsiToUtf16(path));
    for (char& c : utf8)
        if (c == '\\') c = '/';
    return utf8;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size() > (1u << 30) ? (1u << 30) : data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The folder part (with its "/", or empty) and the name part of a path.
std::pair<std::string, std::string> SplitPath(const std::string& target) {
    size_t slash = target.rfind('/');
    if (slash == std::string::npos) return {std::string(), target};
    return {target.substr(0, slash + 1), target.substr(slash + 1)};
}

std::string TempPrefix(const std::string& base) { return "." + base + ".tmp"; }

std::string TempName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 rng{std::random_device{}()};
    auto [dir, base] = SplitPath(target);
    return dir + TempPrefix(base) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(rng() % 1000000);
}

// "<pid>-<counter>-<random>": the process id of the writer, or -1.
long TempOwner(std::string_view rest) {
    long pid = 0;
    int field = 0;
    bool digit = false;
    for (char c : rest) {
        if (c >= '0' && c <= '9') {
            if (field == 0 && pid < 100000000) pid = pid * 10 + (c - '0');
            digit = true;
        } else if (c == '-' && digit && field < 2) {
            ++field;
            digit = false;
        } else {
            return -1;
        }
    }
    return field == 2 && digit && pid > 0 ? pid : -1;
}

// A writer killed between creating its temporary file and renaming it leaves
// the file behind; without this, every such kill would leave one more.  Only
// files of this target whose writing process is gone are removed.
void RemoveStaleTemps(const std::string& target) {
    auto [dir, base] = SplitPath(target);
    const std::string prefix = TempPrefix(base);
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return;
    const long self = static_cast<long>(::getpid());
    while (const dirent* e = ::readdir(d)) {
        std::string_view name = e->d_name;
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
        long owner = TempOwner(name.substr(prefix.size()));
        if (owner <= 0 || owner == self) continue;
        // EPERM means the process exists under another user.
        if (::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

void SyncFolderOf(const std::string& target) {
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

Text ExecutablePath() {
    std::string buf(PATH_MAX, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            break;
        }
        buf.resize(buf.size() * 2);
    }
    return Utf16ToAnsi(Utf8ToUtf16(buf));
}

bool ReadWholeFile(const Text& path, std::string& out) {
    Fd f(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (f.get() < 0) return false;
    struct stat st;
    if (::fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // Read straight into the result; the extra byte tells a file that grew.
    std::string data(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t used = 0;
    for (;;) {
        if (used == data.size()) data.resize(data.size() * 2);
        ssize_t n = ::read(f.get(), data.data() + used, data.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    data.resize(used);
    out = std::move(data);
    return true;
}

bool ReplaceFile(const Text& path, std::string_view data) {
    const std::string target = NativePath(path);
    if (target.empty()) return false;
    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    // First, so that on a full disk the space they hold comes back.
    RemoveStaleTemps(target);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = TempName(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    Fd f(fd);
    // The new file keeps the permissions of the one it replaces.
    if (hadOld && S_ISREG(old.st_mode)) ::fchmod(f.get(), old.st_mode & 07777);
    bool ok = WriteAll(f.get(), data) && ::fsync(f.get()) == 0;
    ok = f.Close() && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
        SyncFolderOf(target);
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

bool StatFile(const Text& path, FileStamp& out) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out.size = static_cast<uint64_t>(st.st_size);
    out.mtimeNs = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec);
    out.inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

LockResult LockFileExclusive(const Text& path, LockHandle& out) {
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // In a read-only folder an existing lock file still locks.
    if (fd < 0) fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LockResult::Unavailable;
    // flock, not fcntl: its lock belongs to this descriptor, so it neither
    // vanishes when another descriptor of the file is closed nor lets a
    // second descriptor of the same process in.
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? LockResult::Busy : LockResult::Unavailable;
    }
    out = fd;
    return LockResult::Held;
}

void UnlockFile(LockHandle handle) {
    if (handle >= 0) ::close(static_cast<int>(handle));
}

}  // namespace pelko::os
