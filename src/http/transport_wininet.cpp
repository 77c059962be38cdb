// The Windows transport over WinINet.  The program is not linked against
// WinINet: its ANSI entry points are looked up in "wininet.dll" when the
// first request is made, and a system without it just gets no answers.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "config/chrono.h"

#include "http/cancel.h"
#include "http/request.h"
#include "http/transport.h"
#include "http/wire.h"

namespace pelko {

namespace {

using Clock = std::chrono::steady_clock;

struct WinInet {
    decltype(&InternetOpenA) open = nullptr;
    decltype(&InternetConnectA) connect = nullptr;
    decltype(&HttpOpenRequestA) openRequest = nullptr;
    decltype(&InternetSetOptionA) setOption = nullptr;
    decltype(&HttpSendRequestA) send = nullptr;
    decltype(&InternetReadFile) read = nullptr;
    decltype(&InternetQueryDataAvailable) available = nullptr;
    decltype(&HttpQueryInfoA) queryInfo = nullptr;
    decltype(&InternetCloseHandle) close = nullptr;
    bool ok = false;
};

template <class F> void Bind(HMODULE dll, const char* name, F& slot) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

const WinInet& Api() {
    static const WinInet api = [] {
        WinInet a;
        HMODULE dll = LoadLibraryA("wininet.dll");  // kept loaded for the life of the process
        if (!dll) return a;
        Bind(dll, "InternetOpenA", a.open);
        Bind(dll, "InternetConnectA", a.connect);
        Bind(dll, "HttpOpenRequestA", a.openRequest);
        Bind(dll, "InternetSetOptionA", a.setOption);
        Bind(dll, "HttpSendRequestA", a.send);
        Bind(dll, "InternetReadFile", a.read);
        Bind(dll, "InternetQueryDataAvailable", a.available);
        Bind(dll, "HttpQueryInfoA", a.queryInfo);
        Bind(dll, "InternetCloseHandle", a.close);
        a.ok = a.open && a.connect && a.openRequest && a.setOption && a.send && a.read && a.available && a.queryInfo && a.close;
        return a;
    }();
    return api;
}

DWORD Millis(std::chrono::milliseconds ms) {
    auto n = ms.count();
    return n <= 0 ? 1u : n >= 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<DWORD>(n);
}

void SetTimeouts(const WinInet& api, HINTERNET h, const TransportLimits& limits) {
    // A silent server must not outlast the total limit in a blocking send.
    DWORD connect = Millis(limits.connect), idle = Millis(std::min(limits.idle, limits.total));
    api.setOption(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    api.setOption(h, INTERNET_OPTION_SEND_TIMEOUT, &idle, sizeof idle);
    api.setOption(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &idle, sizeof idle);
}

// One exchange, shared by the thread that runs it and the caller that waits
// for it.  A cancel closes the open handles, which ends WinINet's blocking
// calls, and lets the caller go at once; the exchange then finishes on its
// own thread, within the limits, and touches no handle after the cancel.
class Exchange {
public:
    explicit Exchange(const WinInet& api) : api_(api) {}
    ~Exchange() { CloseAll(); }

    // Takes a handle just opened; false, with the handle closed, when it is
    // null or the exchange was broken off meanwhile.
    bool Keep(HINTERNET& slot, HINTERNET h) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!h) return false;
        if (cancelled_) {
            api_.close(h);
            return false;
        }
        slot = h;
        return true;
    }
    bool Cancelled() {
        std::lock_guard<std::mutex> lock(mutex_);
        return cancelled_;
    }
    void BreakOff() {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        CloseLocked();
        changed_.notify_all();
    }
    void CloseAll() {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseLocked();
    }
    void Finish(TransportResponse r) {
        std::lock_guard<std::mutex> lock(mutex_);
        response_ = std::move(r);
        done_ = true;
        changed_.notify_all();
    }
    // The answer, or a failure once broken off.
    TransportResponse Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return done_ || cancelled_; });
        if (done_ && !cancelled_) return std::move(response_);
        TransportResponse r;
        r.failure = "cancelled";
        return r;
    }

    HINTERNET net = nullptr, connection = nullptr, request = nullptr;

private:
    // Innermost first.
    void CloseLocked() {
        for (HINTERNET* h : {&request, &connection, &net})
            if (*h) {
                api_.close(*h);
                *h = nullptr;
            }
    }

    const WinInet& api_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false, done_ = false;
    TransportResponse response_;
};

bool QueryRawHeaders(const WinInet& api, HINTERNET request, Text& out) {
    std::string buf(5000, ' ');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = static_cast<DWORD>(buf.size());
        if (api.queryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, buf.data(), &length, nullptr)) {
            size_t end = buf.find('\0');
            out = buf.substr(0, end == std::string::npos ? std::min<size_t>(length, buf.size()) : end);
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        // length now holds the size the block needs.
        buf.assign(std::max<size_t>(length + 1, buf.size() * 2), ' ');
    }
    return false;
}

// The Content-Length the answer announced, when it gave one.
bool AnnouncedLength(const WinInet& api, HINTERNET request, unsigned long long& out) {
    char buf[32] = {};
    DWORD length = sizeof buf - 1;
    if (!api.queryInfo(request, HTTP_QUERY_CONTENT_LENGTH, buf, &length, nullptr)) return false;
    char* end = nullptr;
    out = std::strtoull(buf, &end, 10);
    return end != buf;
}

// One exchange per call: WinINet's own redirect following, which knows no
// limit, stays off; the loop above follows them.
class WinInetTransport : public Transport {
public:
    TransportResponse Execute(const TransportRequest& request, const TransportLimits& limits) override {
        const WinInet& api = Api();
        if (!api.ok) return {};
        auto x = std::make_shared<Exchange>(api);
        CancelScope scope([x] { x->BreakOff(); });
        if (scope.Cancelled()) {
            TransportResponse r;
            r.failure = "cancelled";
            return r;
        }
        // Its own thread, so that a cancel never waits for a call that
        // WinINet does not end when its handle closes.
        std::thread([x, request, limits] {
            TransportResponse r = Run(*x, request, limits);
            x->CloseAll();
            x->Finish(std::move(r));
        }).detach();
        return x->Wait();
    }

private:
    static TransportResponse Run(Exchange& h, const TransportRequest& request, const TransportLimits& limits) {
        TransportResponse response;
        const auto started = Clock::now();
        const WinInet& api = Api();
        auto late = [&] { return Clock::now() - started > limits.total || h.Cancelled(); };
        if (late()) return response;

        const std::string agent = WireAgentName(request.agentName);
        HINTERNET opened = request.proxyList.empty()
                               ? api.open(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                               : api.open(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, request.proxyList.c_str(), "", 0);
        if (!h.Keep(h.net, opened)) return response;
        SetTimeouts(api, h.net, limits);

        const int port = WirePort(request.port, request.secure);
        if (!h.Keep(h.connection, api.connect(h.net, request.host.c_str(), static_cast<INTERNET_PORT>(port), nullptr,
                                              nullptr, INTERNET_SERVICE_HTTP, 0, 0)))
            return response;

        const DWORD flags = RequestFlagWord(request) | INTERNET_FLAG_NO_AUTO_REDIRECT;
        const std::string object = WireObjectName(request.objectName);
        if (!h.Keep(h.request, api.openRequest(h.connection, request.verb.empty() ? "GET" : request.verb.c_str(),
                                               object.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0)))
            return response;
        // Certificate checks stay as the system has them: no security flags.
        SetTimeouts(api, h.request, limits);

        std::string headers;
        for (const std::string& line : WireHeaderLines(request.headerBlock)) {
            if (!headers.empty()) headers += "\r\n";
            headers += line;
        }
        const bool withBody = request.hasBody && !request.body.empty();
        if (!api.send(h.request, headers.empty() ? nullptr : headers.c_str(), static_cast<DWORD>(headers.size()),
                      withBody ? const_cast<char*>(request.body.data()) : nullptr,
                      withBody ? static_cast<DWORD>(request.body.size()) : 0)) {
            return response;
        }

        // Only what has arrived is read: a read that waits to fill its buffer
        // would let a server that trickles outlast the total limit.
        Bytes body;
        char buf[16384];
        for (;;) {
            if (late()) return response;
            DWORD available = 0;
            if (!api.available(h.request, &available, 0, 0)) return response;
            if (available == 0) break;
            DWORD got = 0;
            if (late() || !api.read(h.request, buf, std::min<DWORD>(available, sizeof buf), &got)) return response;
            if (got == 0) break;
            if (body.size() + got > limits.maxBody) return response;  // over the cap: no half answer
            body.append(buf, got);
        }
        if (h.Cancelled()) return response;

        // A connection closed before the announced length is no answer.
        unsigned long long announced = 0;
        if (request.verb != "HEAD" && AnnouncedLength(api, h.request, announced) && body.size() < announced)
            return response;

        Text raw;
        if (!QueryRawHeaders(api, h.request, raw)) return response;
        response.body = std::move(body);
        response.rawHeaders = std::move(raw);
        response.sent = true;
        return response;
    }
};

}  // namespace

Transport& PlatformTransport() {
    static WinInetTransport transport;
    return transport;
}

}  // namespace pelko
