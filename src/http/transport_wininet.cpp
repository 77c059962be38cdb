// The Windows transport over WinINet.  The program is not linked against
// WinINet: its ANSI entry points are looked up in "wininet.dll" when the
// first request is made, and a system without it just gets no answers.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <thread>  // std::chrono: <chrono> itself does not build with the code page 936 literal charset
#include <string>

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
        Bind(dll, "HttpQueryInfoA", a.queryInfo);
        Bind(dll, "InternetCloseHandle", a.close);
        a.ok = a.open && a.connect && a.openRequest && a.setOption && a.send && a.read && a.queryInfo && a.close;
        return a;
    }();
    return api;
}

DWORD Millis(std::chrono::milliseconds ms) {
    auto n = ms.count();
    return n <= 0 ? 1u : n >= 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<DWORD>(n);
}

void SetTimeouts(const WinInet& api, HINTERNET h, const TransportLimits& limits) {
    DWORD connect = Millis(limits.connect), idle = Millis(limits.idle);
    api.setOption(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    api.setOption(h, INTERNET_OPTION_SEND_TIMEOUT, &idle, sizeof idle);
    api.setOption(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &idle, sizeof idle);
}

// Closes what was opened, innermost first.
struct Handles {
    const WinInet& api;
    HINTERNET net = nullptr, connection = nullptr, request = nullptr;
    ~Handles() {
        if (request) api.close(request);
        if (connection) api.close(connection);
        if (net) api.close(net);
    }
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

class WinInetTransport : public Transport {
public:
    TransportResponse Execute(const TransportRequest& request, const TransportLimits& limits) override {
        try {
            return Run(request, limits);
        } catch (...) {
            return {};
        }
    }

private:
    static TransportResponse Run(const TransportRequest& request, const TransportLimits& limits) {
        TransportResponse response;
        const WinInet& api = Api();
        if (!api.ok) return response;
        const auto started = Clock::now();

        Handles h{api};
        const std::string agent = request.agentName.substr(0, request.agentName.find_first_of("\r\n"));
        if (request.proxyList.empty())
            h.net = api.open(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        else
            h.net = api.open(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, request.proxyList.c_str(), "", 0);
        if (!h.net) return response;
        SetTimeouts(api, h.net, limits);

        int port = request.port;
        if (port <= 0 || port > 65535) port = request.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
        h.connection = api.connect(h.net, request.host.c_str(), static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, 0);
        if (!h.connection) return response;

        DWORD flags = static_cast<DWORD>(request.flags) | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
        if (request.noCookies) flags |= INTERNET_FLAG_NO_COOKIES;
        if (request.noAutoRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
        if (request.secure) flags = (flags | INTERNET_FLAG_SECURE) & ~static_cast<DWORD>(INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS);
        const std::string object = WireObjectName(request.objectName);
        h.request = api.openRequest(h.connection, request.verb.empty() ? "GET" : request.verb.c_str(), object.c_str(),
                                    "HTTP/1.1", nullptr, nullptr, flags, 0);
        if (!h.request) return response;
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

        Bytes body;
        char buf[1024];
        for (;;) {
            DWORD got = 0;
            if (!api.read(h.request, buf, sizeof buf, &got)) return response;
            if (got == 0) break;
            if (body.size() + got > limits.maxBody) return response;  // over the cap: no half answer
            body.append(buf, got);
            if (Clock::now() - started > limits.total) return response;
        }

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
