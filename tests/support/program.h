// The program under test as a child process, its output on a pipe.
// PELKO_E2E_LAUNCHER (e.g. "wine") runs another build of it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelko::testing {

using Clock = std::chrono::steady_clock;

inline std::string Launcher() {
    const char* v = std::getenv("PELKO_E2E_LAUNCHER");
    return v ? v : "";
}

inline long long Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

// The program started with its output on a pipe; every line is kept with the
// moment it arrived.
class Program {
public:
    Program(const std::filesystem::path& exe, const std::vector<std::string>& args,
            const std::vector<std::string>& env = {}) {
        std::vector<std::string> words;
        if (!Launcher().empty()) words.push_back(Launcher());
        words.push_back(exe.string());
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        started_ = Clock::now();
        pid_ = fork();
        if (pid_ == 0) {
            for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
            dup2(fds[1], 1);
            dup2(fds[1], 2);
            // The servers' sockets stay with the test: a reset must reach the program.
            for (int fd = 3; fd < 1024; ++fd) close(fd);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        reader_ = std::thread([this] { Read(); });
    }
    ~Program() {
        if (running()) Kill();
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_);
    }

    bool running() const { return pid_ > 0 && !reaped_; }
    Clock::time_point started() const { return started_; }

    // Sends `sig` and waits up to `limit` for the end: the wait status, or
    // -1 when it did not end in time (it is then killed).
    int Stop(int sig, std::chrono::milliseconds limit) {
        kill(pid_, sig);
        auto due = Clock::now() + limit;
        while (Clock::now() < due) {
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return status;
            }
            usleep(5000);
        }
        Kill();
        return -1;
    }
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }

    // The moments at which the lines holding `what` arrived.
    std::vector<Clock::time_point> Times(const std::string& what) const {
        std::lock_guard lock(mutex_);
        std::vector<Clock::time_point> out;
        for (auto& [at, line] : lines_)
            if (line.find(what) != std::string::npos) out.push_back(at);
        return out;
    }
    size_t Passes() const { return Times(" pass: ").size(); }
    bool WaitForPasses(size_t n, std::chrono::milliseconds limit) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            size_t seen = 0;
            for (auto& l : lines_) seen += l.second.find(" pass: ") != std::string::npos;
            return seen >= n || eof_;
        }) && !eof_;
    }
    std::string Output() const {
        std::lock_guard lock(mutex_);
        std::string out;
        for (auto& l : lines_) out += l.second + "\n";
        return out + partial_;
    }

private:
    void Read() {
        char buf[4096];
        for (ssize_t n; (n = read(fd_, buf, sizeof buf)) > 0;) {
            std::lock_guard lock(mutex_);
            partial_.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = partial_.find('\n')) != std::string::npos; partial_.erase(0, nl + 1))
                lines_.emplace_back(Clock::now(), partial_.substr(0, nl));
            changed_.notify_all();
        }
        std::lock_guard lock(mutex_);
        eof_ = true;
        changed_.notify_all();
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int fd_ = -1;
    Clock::time_point started_;
    std::thread reader_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::pair<Clock::time_point, std::string>> lines_;
    std::string partial_;
    bool eof_ = false;
};

}  // namespace pelko::testing
