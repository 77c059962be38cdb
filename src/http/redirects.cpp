#include "http/redirects.h"

#include <cctype>
#include <cstdlib>

#include "http/request.h"
#include "http/url.h"
#include "http/wire.h"

namespace pelko {

namespace {

using Clock = std::chrono::steady_clock;

bool StartsWithIgnoringCase(const Text& text, const char* prefix) {
    return ToLowerText(text.substr(0, std::char_traits<char>::length(prefix))) == prefix;
}

// The parts of a URI reference; each part that is not there stays unset.
struct Reference {
    Opt<Text> scheme, authority, query, fragment;
    Text path;
};

Reference Split(const Text& text) {
    Reference r;
    Text rest = text;
    if (size_t hash = rest.find('#'); hash != Text::npos) {
        r.fragment = rest.substr(hash + 1);
        rest.erase(hash);
    }
    if (size_t q = rest.find('?'); q != Text::npos) {
        r.query = rest.substr(q + 1);
        rest.erase(q);
    }
    // A scheme is letters, digits, "+", "-" and "." after a first letter.
    size_t colon = rest.find(':');
    if (colon != Text::npos && colon > 0 && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        bool scheme = true;
        for (size_t i = 1; i < colon && scheme; ++i) {
            unsigned char c = static_cast<unsigned char>(rest[i]);
            scheme = std::isalnum(c) || c == '+' || c == '-' || c == '.';
        }
        if (scheme) {
            r.scheme = ToLowerText(rest.substr(0, colon));
            rest.erase(0, colon + 1);
        }
    }
    if (rest.rfind("//", 0) == 0) {
        size_t end = rest.find('/', 2);
        if (end == Text::npos) end = rest.size();
        r.authority = rest.substr(2, end - 2);
        rest.erase(0, end);
    }
    r.path = rest;
    return r;
}

void DropLastSegment(Text& out) {
    size_t slash = out.rfind('/');
    out.erase(slash == Text::npos ? 0 : slash);
}

// RFC 3986, section 5.2.4.
Text RemoveDotSegments(Text in) {
    Text out;
    while (!in.empty()) {
        if (in.rfind("../", 0) == 0) in.erase(0, 3);
        else if (in.rfind("./", 0) == 0) in.erase(0, 2);
        else if (in.rfind("/./", 0) == 0) in.erase(0, 2);
        else if (in == "/.") in = "/";
        else if (in.rfind("/../", 0) == 0) { in.erase(0, 3); DropLastSegment(out); }
        else if (in == "/..") { in = "/"; DropLastSegment(out); }
        else if (in == "." || in == "..") in.clear();
        else {
            size_t end = in.find('/', 1);
            if (end == Text::npos) end = in.size();
            out += in.substr(0, end);
            in.erase(0, end);
        }
    }
    return out;
}

Text Merge(const Reference& base, const Text& path) {
    if (base.authority && base.path.empty()) return "/" + path;
    size_t slash = base.path.rfind('/');
    return slash == Text::npos ? path : base.path.substr(0, slash + 1) + path;
}

}  // namespace

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

int StatusOf(const Text& rawHeaders) {
    if (rawHeaders.rfind("HTTP/", 0) != 0) return 0;
    size_t space = rawHeaders.find(' ');
    size_t eol = rawHeaders.find_first_of("\r\n");
    if (space == Text::npos || space > eol) return 0;
    return std::atoi(rawHeaders.c_str() + space + 1);
}

Text HeaderValue(const Text& rawHeaders, const Text& name) {
    const Text wanted = ToLowerText(name);
    for (const Text& line : SplitText(rawHeaders, Text("\r\n"))) {
        size_t colon = line.find(':');
        if (colon == Text::npos || ToLowerText(TrimText(line.substr(0, colon))) != wanted) continue;
        return TrimText(line.substr(colon + 1));
    }
    return {};
}

Text RequestUrl(const TransportRequest& request) {
    Text url = request.secure ? "https://" : "http://";
    url += request.host;
    const int port = WirePort(request.port, request.secure);
    if (port != WirePort(0, request.secure)) {
        url += ':';
        url += std::to_string(port);
    }
    const Text& object = request.objectName;
    if (object.empty() || object[0] != '/') url += '/';
    url += object;
    return url;
}

Text ResolveReference(const Text& base, const Text& reference) {
    const Reference b = Split(base);
    const Reference r = Split(reference);
    Reference t;
    if (r.scheme) {
        t = r;
        t.path = RemoveDotSegments(r.path);
    } else {
        t.scheme = b.scheme;
        if (r.authority) {
            t.authority = r.authority;
            t.path = RemoveDotSegments(r.path);
            t.query = r.query;
        } else {
            t.authority = b.authority;
            if (r.path.empty()) {
                t.path = b.path;
                t.query = r.query ? r.query : b.query;
            } else {
                t.path = RemoveDotSegments(r.path[0] == '/' ? r.path : Merge(b, r.path));
                t.query = r.query;
            }
        }
    }
    t.fragment = r.fragment;

    Text out;
    if (t.scheme) out += *t.scheme + ":";
    if (t.authority) out += "//" + *t.authority;
    out += t.path;
    if (t.query) out += "?" + *t.query;
    if (t.fragment) out += "#" + *t.fragment;
    return out;
}

bool Redirected(TransportRequest& request, int status, const Text& location) {
    if (location.empty()) return false;
    const Text url = ResolveReference(RequestUrl(request), location);
    if (!StartsWithIgnoringCase(url, "http://") && !StartsWithIgnoringCase(url, "https://")) return false;
    const Text host = UrlHost(url);
    if (host.empty()) return false;

    const bool wasSecure = request.secure;
    request.secure = StartsWithIgnoringCase(url, "https://");
    request.host = host;
    request.port = UrlPort(url);
    request.objectName = UrlPath(url);
    // The proxy list names the scheme it serves; it follows the new one.
    if (request.secure != wasSecure && !request.proxyList.empty()) {
        Text proxy = request.proxyList.rfind("http=", 0) == 0 ? request.proxyList.substr(5) : request.proxyList;
        request.proxyList = ProxyListFor(proxy, request.secure);
    }
    // 303, and 301/302 after a POST, go on as GET without the body, as
    // browsers do; 307 and 308 repeat the request as it was.
    if (status == 303 || ((status == 301 || status == 302) && request.verb == "POST")) {
        if (request.verb != "HEAD") request.verb = "GET";
        request.body.clear();
        request.hasBody = false;
    }
    return true;
}

TransportResponse ExecuteFollowingRedirects(Transport& transport, const TransportRequest& request,
                                            const TransportLimits& limits) {
    const auto started = Clock::now();
    TransportRequest current = request;
    for (int hop = 0;; ++hop) {
        // Each exchange gets what is left of the one total limit.
        TransportLimits left = limits;
        left.total = limits.total - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        if (left.total.count() <= 0) return {};
        TransportResponse response = transport.Execute(current, left);
        if (!response.sent || request.noAutoRedirect) return response;
        const int status = StatusOf(response.rawHeaders);
        if (!IsRedirect(status)) return response;
        // A redirect that names no place to go is the answer itself.
        const Text location = HeaderValue(response.rawHeaders, "Location");
        if (location.empty()) return response;
        if (hop == kMaxRedirects || !Redirected(current, status, location)) return {};
    }
}

}  // namespace pelko
