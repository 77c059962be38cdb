// Files on POSIX: names are code page 936 inside the program and UTF-8 on
// disk, with "\" taken as a folder separator.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <random>
#include <string>

#include "textutil/codepage_os.h"
#include "textutil/files_os.h"

namespace pelko::os {

namespace {

// Convert before swapping separators: a GBK trail byte may be 0x5C.
std::string NativePath(const Text& path) {
    std::string utf8 = EncodeFromUtf16(DecodeToUtf16(path, 936), 65001);
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

std::string TempName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 rng{std::random_device{}()};
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return dir + "." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(rng() % 1000000);
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
    return EncodeFromUtf16(DecodeToUtf16(buf, 65001), 936);
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

}  // namespace pelko::os
