// A loopback HTTP server on plain sockets that builds on every platform the
// program does: it records each request as it arrived and answers with the
// raw bytes a handler gives, one answer per connection.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelko::testing {

// The few socket calls the server needs, the same on both platforms.
namespace sockets {
#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNone = INVALID_SOCKET;
inline void Close(Socket s) { closesocket(s); }
inline void EndSending(Socket s) { shutdown(s, SD_SEND); }
inline void Startup() {
    static const bool started = [] {
        WSADATA wsa;
        return WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }();
    (void)started;
}
inline int SendFlags() { return 0; }
#else
using Socket = int;
inline constexpr Socket kNone = -1;
inline void Close(Socket s) { close(s); }
inline void EndSending(Socket s) { shutdown(s, SHUT_WR); }
inline void Startup() {}
inline int SendFlags() { return MSG_NOSIGNAL; }
#endif

// Bound to 127.0.0.1 at a port the system picks; listening when asked to.
inline Socket Bound(int& port, bool listening) {
    Startup();
    Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (listening) listen(s, 16);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return s;
}

inline bool Readable(Socket s, int millis) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{millis / 1000, (millis % 1000) * 1000};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

// A port that was free a moment ago and has nothing listening now.
inline int ClosedPort() {
    int port = 0;
    Close(Bound(port, false));
    return port;
}
}  // namespace sockets

struct SeenRequest {
    std::string requestLine;               // "GET /path HTTP/1.1"
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
            if (colon != name.size() || Lower(line.substr(0, colon)) != Lower(name)) continue;
            size_t v = line.find_first_not_of(' ', colon + 1);
            return v == std::string::npos ? "" : line.substr(v);
        }
        return {};
    }
    static std::string Lower(std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return s;
    }
};

// The whole answer for a status, a body and extra header lines (each ended
// by CR LF); the connection closes after it.
inline std::string RawAnswer(const std::string& status, const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
           "Connection: close\r\n\r\n" + body;
}

class LoopbackServer {
public:
    // The raw answer to a request; kHold keeps the connection open without a
    // word until the server goes.
    using Handler = std::function<std::string(const SeenRequest&, int port)>;
    static inline const std::string kHold = std::string("\0hold", 5);

    explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
        listener_ = sockets::Bound(port_, true);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        for (sockets::Socket s : held_) sockets::Close(s);
        sockets::Close(listener_);
    }

    int port() const { return port_; }
    std::vector<SeenRequest> requests() const {
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
            if (!sockets::Readable(listener_, 50)) continue;
            sockets::Socket c = accept(listener_, nullptr, nullptr);
            if (c != sockets::kNone) Handle(c);
        }
    }

    bool ReadMore(sockets::Socket s, std::string& buf) {
        for (int waited = 0; !sockets::Readable(s, 50); waited += 50)
            if (stop_ || waited >= 5000) return false;
        char chunk[65536];
        int n = static_cast<int>(recv(s, chunk, sizeof chunk, 0));
        if (n <= 0) return false;
        buf.append(chunk, static_cast<size_t>(n));
        return true;
    }

    void Handle(sockets::Socket s) {
        std::string buf;
        size_t end;
        bool complete = true;
        while ((end = buf.find("\r\n\r\n")) == std::string::npos)
            if (!ReadMore(s, buf)) {
                complete = false;
                break;
            }
        if (complete) {
            SeenRequest r;
            const std::string head = buf.substr(0, end);
            for (size_t pos = 0, first = 1; pos <= head.size(); first = 0) {
                size_t eol = head.find("\r\n", pos);
                if (eol == std::string::npos) eol = head.size();
                (first ? r.requestLine : r.headerLines.emplace_back()) = head.substr(pos, eol - pos);
                pos = eol + 2;
            }
            size_t length = 0;
            if (std::string cl = r.Header("Content-Length"); !cl.empty()) length = std::stoul(cl);
            r.body = buf.substr(end + 4);
            while (r.body.size() < length && ReadMore(s, r.body)) {}
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(r);
            }
            const std::string answer = handler_(r, port_);
            if (answer == kHold) {
                held_.push_back(s);
                return;
            }
            for (size_t sent = 0; sent < answer.size();) {
                int n = static_cast<int>(send(s, answer.data() + sent, static_cast<int>(answer.size() - sent),
                                              sockets::SendFlags()));
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
        sockets::EndSending(s);
        sockets::Close(s);
    }

    Handler handler_;
    sockets::Socket listener_ = sockets::kNone;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<sockets::Socket> held_;  // only the server's thread touches it until the join
    mutable std::mutex mutex_;
    std::vector<SeenRequest> requests_;
};

}  // namespace pelko::testing
