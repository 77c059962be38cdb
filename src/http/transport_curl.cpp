// The Linux transport over libcurl.  It sends the composed header block as
// it is: curl's own default lines are switched off where the block has none.
// One exchange per call: redirects are left to the loop above.  The transfer
// runs in a multi handle of its own, so a cancel from another thread wakes
// its wait at once instead of at curl's next progress call.
#include <curl/curl.h>

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "http/cancel.h"
#include "http/transport.h"
#include "http/wire.h"

namespace pelko {

namespace {

using Clock = std::chrono::steady_clock;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view NameOf(std::string_view line) {
    size_t colon = line.find(':');
    std::string_view name = line.substr(0, colon == std::string_view::npos ? 0 : colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return name;
}

// The proxy for this scheme out of a list of "scheme=host:port" and bare
// "host:port" entries; empty for a direct connection.
std::string ProxyFor(const Text& list, bool secure) {
    const std::string scheme = secure ? "https" : "http";
    std::string bare, matched;
    size_t i = 0;
    while (i < list.size()) {
        size_t end = list.find_first_of(" ;", i);
        if (end == std::string::npos) end = list.size();
        std::string entry = list.substr(i, end - i);
        i = end + 1;
        if (entry.empty()) continue;
        size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            if (bare.empty()) bare = entry;
        } else if (matched.empty() && SameNameIgnoringCase(entry.substr(0, eq), scheme)) {
            matched = entry.substr(eq + 1);
        }
    }
    std::string proxy = matched.empty() ? bare : matched;
    if (proxy.empty()) return {};
    if (proxy.find("://") == std::string::npos) proxy = "http://" + proxy;
    if (proxy.find(':', proxy.find("://") + 3) == std::string::npos) proxy += ":80";
    return proxy;
}

struct Exchange {
    TransportLimits limits;
    Bytes body;
    std::string headers;  // of the answer being read
    bool headersComplete = false;
    bool overCap = false;
    bool idleTimeout = false;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastTransferred = 0;
    // An exception must not cross libcurl's C frames: a callback parks it
    // here, ends the transfer, and it is thrown again once curl has returned.
    std::exception_ptr thrown;
};

size_t TakeHeaderLine(Exchange* x, const char* data, size_t n) {
    x->lastActivity = Clock::now();
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        // Each answer on the way (an interim one) starts afresh.
        x->headers = line + "\r\n";
        x->headersComplete = false;
    } else if (x->headersComplete) {
        // Trailers after a chunked body are no part of the header block.
    } else if (line.empty()) {
        x->headers += "\r\n";
        x->headersComplete = true;
    } else {
        x->headers += line + "\r\n";
    }
    return n;
}

size_t TakeBody(Exchange* x, const char* data, size_t n) {
    x->lastActivity = Clock::now();
    if (x->body.size() + n > x->limits.maxBody) {
        x->overCap = true;
        return 0;  // ends the transfer
    }
    x->body.append(data, n);
    return n;
}

template <class F> size_t Ferried(Exchange* x, F&& f) {
    try {
        return f();
    } catch (...) {
        x->thrown = std::current_exception();
        return 0;  // ends the transfer
    }
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    return Ferried(x, [&] { return TakeHeaderLine(x, data, size * count); });
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* x = static_cast<Exchange*>(user);
    return Ferried(x, [&] { return TakeBody(x, data, size * count); });
}

int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* x = static_cast<Exchange*>(user);
    auto now = Clock::now();
    if (dlnow + ulnow != x->lastTransferred) {
        x->lastTransferred = dlnow + ulnow;
        x->lastActivity = now;
    }
    if (now - x->lastActivity > x->limits.idle) {
        x->idleTimeout = true;
        return 1;
    }
    return 0;
}

class CurlTransport : public Transport {
public:
    CurlTransport() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    TransportResponse Execute(const TransportRequest& request, const TransportLimits& limits) override {
        TransportResponse response;
        // Released on every way out, an exception's too.
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
        CURL* curl = handle.get();
        if (!curl) return response;

        const std::string url = std::string(request.secure ? "https://" : "http://") + request.host + ":" +
                                std::to_string(WirePort(request.port, request.secure)) +
                                WireObjectName(request.objectName);

        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> list(nullptr, curl_slist_free_all);
        auto append = [&](const std::string& line) {
            curl_slist* grown = curl_slist_append(list.get(), line.c_str());
            if (!grown) throw std::bad_alloc();
            list.release();
            list.reset(grown);
        };
        bool hasAgent = false, hasAccept = false, hasExpect = false, hasType = false, hasProxyConn = false;
        for (const std::string& line : WireHeaderLines(request.headerBlock)) {
            std::string_view name = NameOf(line);
            hasAgent |= SameNameIgnoringCase(name, "User-Agent");
            hasAccept |= SameNameIgnoringCase(name, "Accept");
            hasExpect |= SameNameIgnoringCase(name, "Expect");
            hasType |= SameNameIgnoringCase(name, "Content-Type");
            hasProxyConn |= SameNameIgnoringCase(name, "Proxy-Connection");
            std::string value = line.substr(line.find(':') + 1);
            if (value.find_first_not_of(" \t") == std::string::npos)
                append(std::string(name) + ";");  // an empty value, sent
            else
                append(line);
        }
        if (!hasAccept) append("Accept:");
        if (!hasExpect) append("Expect:");
        if (!hasType) append("Content-Type:");
        if (!hasProxyConn) append("Proxy-Connection:");

        const std::string agent = WireAgentName(request.agentName);
        std::string proxy = ProxyFor(request.proxyList, request.secure);

        Exchange x;
        x.limits = limits;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list.get());
        if (!hasAgent && !agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
        // Set even when empty: an empty proxy keeps the environment's out.
        curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
        curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);

        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBody));
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &x);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &x);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &x);

        if (request.verb == "HEAD") {
            curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        } else if (request.verb == "POST") {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
        } else if (request.verb != "GET") {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
        }
        if (request.hasBody || request.verb == "POST") {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        }

        x.lastActivity = Clock::now();
        bool cancelled = false;
        CURLcode result = Perform(curl, cancelled);
        if (x.thrown) std::rethrow_exception(x.thrown);

        if (cancelled) {
            response.failure = "cancelled";
        } else if (x.overCap) {
            response.failure = "answer longer than " + std::to_string(limits.maxBody) + " bytes";
        } else if (x.idleTimeout) {
            response.failure = "no data for " + std::to_string(limits.idle.count()) + " ms";
        } else if (result != CURLE_OK) {
            response.failure = curl_easy_strerror(result);
        } else if (!x.headersComplete) {
            response.failure = "no complete answer";
        }
        if (!response.failure.empty()) return response;
        response.sent = true;
        response.body = std::move(x.body);
        response.rawHeaders = std::move(x.headers);
        return response;
    }

private:
    // curl_easy_perform, but broken off by CancelRequests.
    static CURLcode Perform(CURL* curl, bool& cancelled) {
        std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), curl_multi_cleanup);
        if (!multi) return CURLE_OUT_OF_MEMORY;
        CancelScope scope([m = multi.get()] { curl_multi_wakeup(m); });
        if (scope.Cancelled() || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) {
            cancelled = scope.Cancelled();
            return CURLE_ABORTED_BY_CALLBACK;
        }
        CURLcode result = CURLE_OK;
        int running = 1;
        for (;;) {
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (!running) {
                int left = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left))
                    if (msg->msg == CURLMSG_DONE) result = msg->data.result;
                break;
            }
            if (scope.Cancelled()) break;
            // The time limits are curl's own; this only bounds one wait.
            if (curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (scope.Cancelled()) break;
        }
        cancelled = running && scope.Cancelled();
        curl_multi_remove_handle(multi.get(), curl);
        return cancelled ? CURLE_ABORTED_BY_CALLBACK : result;
    }
};

}  // namespace

Transport& PlatformTransport() {
    static CurlTransport transport;
    return transport;
}

}  // namespace pelko
