// A loopback HTTP server that keeps every request exactly as it arrived
// (request line, header lines, body), for checks byte for byte.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelko::testing {

struct RecordedRequest {
    std::string requestLine;              // "GET /path HTTP/1.1"
    std::vector<std::string> headerLines;  // as sent, without CR LF
    std::string body;

    std::string Method() const { return requestLine.substr(0, requestLine.find(' ')); }
    std::string Target() const {
        size_t a = requestLine.find(' '), b = requestLine.rfind(' ');
        return requestLine.substr(a + 1, b - a - 1);
    }
    // The value of the first header line with this name (ASCII case ignored).
    std::string Header(const std::string& name) const {
        for (const auto& line : headerLines) {
            size_t colon = line.find(':');
            if (colon == name.size() && strncasecmp(line.c_str(), name.c_str(), colon) == 0) {
                size_t v = line.find_first_not_of(' ', colon + 1);
                return v == std::string::npos ? "" : line.substr(v);
            }
        }
        return {};
    }
};

// A listening socket on 127.0.0.1 at a port the system picks.
inline int ListenOnLoopback(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd, 64);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

class RecordingServer {
public:
    // The answer's body, or a whole HTTP response beginning with "HTTP/".
    using Handler = std::function<std::string(const RecordedRequest&)>;

    explicit RecordingServer(Handler handler) : handler_(std::move(handler)) {
        listen_ = ListenOnLoopback(port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RecordingServer() {
        stop_ = true;
        thread_.join();
        close(listen_);
    }

    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<RecordedRequest> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.clear();
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int fd = accept(listen_, nullptr, nullptr);
            if (fd >= 0) Handle(fd);
        }
    }

    static bool ReadMore(int fd, std::string& buf) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return false;
        char chunk[65536];
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buf.append(chunk, static_cast<size_t>(n));
        return true;
    }

    void Handle(int fd) {
        std::string buf;
        size_t end;
        while ((end = buf.find("\r\n\r\n")) == std::string::npos)
            if (!ReadMore(fd, buf)) return (void)close(fd);
        RecordedRequest r;
        std::string head = buf.substr(0, end);
        size_t pos = 0;
        for (bool first = true; pos <= head.size(); first = false) {
            size_t eol = head.find("\r\n", pos);
            if (eol == std::string::npos) eol = head.size();
            std::string line = head.substr(pos, eol - pos);
            if (first) r.requestLine = line;
            else r.headerLines.push_back(line);
            pos = eol + 2;
        }
        size_t length = 0;
        if (std::string cl = r.Header("Content-Length"); !cl.empty()) length = std::stoul(cl);
        r.body = buf.substr(end + 4);
        while (r.body.size() < length && ReadMore(fd, r.body)) {}
        std::string answer = handler_(r);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(r);
        }
        // An answer that is a whole HTTP response goes out as it is.
        std::string out = answer.rfind("HTTP/", 0) == 0
                              ? answer
                              : "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                                    std::to_string(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer;
        for (size_t sent = 0; sent < out.size();) {
            ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        shutdown(fd, SHUT_WR);
        close(fd);
    }

    Handler handler_;
    int listen_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};

}  // namespace pelko::testing
