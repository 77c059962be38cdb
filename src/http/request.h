// The platform-independent halves of WebVisit: composing the request and
// taking the answer apart.
#pragma once

#include "http/transport.h"
#include "http/web_visit.h"
#include "textutil/text.h"

namespace pelko {

inline constexpr char kDefaultAgentName[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The request flag word, with the values of the platform's HTTP stack.  A
// request holds the booleans; the word is derived from them where a stack
// wants one (RequestFlagWord).
enum RequestFlag : unsigned {
    kFlagReload = 0x80000000u,
    kFlagNeedFile = 0x00000010u,
    kFlagNoCookies = 0x00080000u,
    kFlagNoAutoRedirect = 0x00200000u,
    kFlagSecure = 0x00800000u,
    kFlagIgnoreRedirectToHttps = 0x00004000u,
};

// The verb of a method number; a number outside 0..7 is taken as 0.
int EffectiveMethod(Opt<int> method);
Text MethodVerb(int method);

// The flag word of a request as composed: reload and need-file always, then
// no-cookies, no-auto-redirect and secure (or may-go-to-https) as it asks.
unsigned RequestFlagWord(const TransportRequest& request);

// The proxy list for a request: the proxy for a secure one, "http=" and the
// proxy for any other; empty for a direct connection.
Text ProxyListFor(const Text& proxy, bool secure);

// Reads the parameters (and *postBytes) but changes nothing.
TransportRequest ComposeRequest(const Text& url, const WebVisitParams& params);

// Writes the caller's outputs from the answer and returns the body.  Called
// once the request went out, whether or not an answer came back.
Bytes TakeAnswer(const TransportRequest& request, const TransportResponse& response, const WebVisitParams& params);

}  // namespace pelko
