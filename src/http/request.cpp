#include "http/request.h"

#include "http/cookies.h"
#include "http/url.h"

namespace pelko {

namespace {

constexpr const char* kVerbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};

bool Lacks(const Text& block, const char* key) { return FindText(block, key, {}, 1) == -1; }

Text AgentNameOf(const Text& block) {
    if (Lacks(block, "User-Agent:")) return kDefaultAgentName;
    Text agent = TrimText(TextBetween(block + "\r\n", "User-Agent:", "\r\n"));
    if (agent.empty()) agent = TextAfterColon(block);
    return agent;
}

// Byte by byte: after a stray lead byte a line break is still a line break
// to the transport.
Text WithoutLineBreaks(const Text& url) {
    Text out;
    for (char c : url) {
        if (c == '\r') out += "%0D";
        else if (c == '\n') out += "%0A";
        else out += c;
    }
    return out;
}

void CompleteHeaders(Text& block, const Text& url, int method) {
    if (block.empty()) block = "Accept: */*";
    if (Lacks(block, "Accept:")) block += "\r\nAccept: */*";
    // A line break in the address (a token pasted with one) must not start a
    // header line of its own; it goes out percent-encoded, as in the request line.
    if (Lacks(block, "Referer:"))
        block += "\r\nReferer: " + WithoutLineBreaks(url);
    if (Lacks(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
    if (method == 1 && Lacks(block, "Content-Type:")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
}

}  // namespace

int EffectiveMethod(Opt<int> method) {
    int m = method.value_or(0);
    return (m < 0 || m > 7) ? 0 : m;
}

Text MethodVerb(int method) { return kVerbs[EffectiveMethod(method)]; }

unsigned RequestFlagWord(const TransportRequest& request) {
    unsigned flags = kFlagReload | kFlagNeedFile;
    if (request.noCookies) flags |= kFlagNoCookies;
    if (request.noAutoRedirect) flags |= kFlagNoAutoRedirect;
    flags |= request.secure ? kFlagSecure : kFlagIgnoreRedirectToHttps;
    return flags;
}

Text ProxyListFor(const Text& proxy, bool secure) {
    if (proxy.empty()) return {};
    return secure ? proxy : "http=" + proxy;
}

TransportRequest ComposeRequest(const Text& url, const WebVisitParams& params) {
    TransportRequest request;
    Text block = params.extraHeaders.value_or(Text());
    if (params.normaliseHeaderNames.value_or(true)) block = NormaliseHeaderBlock(block);

    const int method = EffectiveMethod(params.method);
    request.verb = MethodVerb(method);
    request.secure = ToLowerText(LeftText(url, 8)) == "https://";
    request.agentName = AgentNameOf(block);

    request.proxyList = ProxyListFor(params.proxy.value_or(Text()), request.secure);

    request.host = UrlHost(url);
    request.port = UrlPort(url);
    request.objectName = UrlPath(url);

    request.noCookies = params.cookies != nullptr;
    request.noAutoRedirect = params.noRedirect.value_or(false);

    if (params.completeHeaders.value_or(true)) CompleteHeaders(block, url, method);
    if (params.cookies && !params.cookies->empty()) {
        const Text& cookies = *params.cookies;
        block += FindText(cookies, "Cookie:") == -1 ? "\r\nCookie: " + cookies : "\r\n" + cookies;
    }
    request.headerBlock = block;

    if (method != 0) {
        if (params.postBytes && !params.postBytes->empty()) request.body = *params.postBytes;
        else request.body = ToBytes(params.postText.value_or(Text()));
        request.hasBody = !request.body.empty();
    }
    return request;
}

Bytes TakeAnswer(const TransportRequest& request, const TransportResponse& response, const WebVisitParams& params) {
    // The caller's postBytes keeps the body that went out when it gave none.
    if (request.verb != "GET" && params.postBytes && params.postBytes->empty()) *params.postBytes = request.body;
    // A header text ends at its first NUL, as every Text does: a server's
    // stray zero byte must not hide a cookie from one reader and not another.
    const Text headers = response.rawHeaders.substr(0, static_cast<size_t>(TextLength(response.rawHeaders)));
    if (params.returnedHeaders) *params.returnedHeaders = headers;
    Text returned = ExtractSetCookies(headers);
    if (params.mergeCookies.value_or(true) && params.cookies) returned = MergeCookies(*params.cookies, returned);
    if (params.returnedCookies) *params.returnedCookies = returned;
    return response.body;
}

}  // namespace pelko
