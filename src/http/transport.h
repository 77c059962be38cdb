// What a web request hands to the platform's HTTP stack, and what comes back.
// Backends: libcurl (Linux) and WinINet looked up at run time (Windows).
#pragma once

#include "config/limits.h"
#include "textutil/text.h"

namespace pelko {

struct TransportRequest {
    Text agentName;
    // Empty: direct.  Otherwise the proxy list as composed for the request
    // ("http=host:port" for plain HTTP, "host:port" for HTTPS).
    Text proxyList;
    Text host;  // lower case, without port
    int port = 80;  // outside 1..65535: the scheme's own (WirePort)
    Text verb;
    Text objectName;  // path, query and fragment
    // The request flags; RequestFlagWord (http/request.h) gives them as one word.
    bool secure = false;
    bool noAutoRedirect = false;  // read by the redirect loop; a transport never follows
    bool noCookies = false;
    Text headerBlock;  // header lines joined by CR LF, no final CR LF
    Bytes body;
    bool hasBody = false;
};

struct TransportResponse {
    Bytes body;
    // Status line and header lines, each ended by CR LF, closed by an empty
    // line.
    Text rawHeaders;
    // false: no complete answer (not sent, refused, unresolved, TLS fault,
    // time limit, body over the cap); body and rawHeaders are then empty.
    bool sent = false;
    // When not sent: why, in the backend's words; may be empty.
    Text failure;
};

class Transport {
public:
    virtual ~Transport() = default;
    // One exchange: a redirect answer comes back as it is (the loop in
    // http/redirects.h follows it).  Failures are reported by `sent`; what
    // the language itself may throw (out of memory) is caught once, where a
    // web request begins (WebVisit).
    virtual TransportResponse Execute(const TransportRequest& request, const TransportLimits& limits) = 0;
};

// The platform's transport; tests may put another in its place.
Transport& PlatformTransport();  // defined by the backend file
Transport& CurrentTransport();
void SetTransport(Transport* transport);  // nullptr restores the platform's

}  // namespace pelko
