// Redirects are followed here, above the transport, so that every platform
// takes the same way: a transport makes one exchange, this loop decides
// whether and where the next one goes.
#pragma once

#include "http/transport.h"
#include "textutil/text.h"

namespace pelko {

// A server that sends a request back to itself must not hold it for ever.
inline constexpr int kMaxRedirects = 10;

bool IsRedirect(int status);
// The status code of an answer's status line; 0 when there is none.
int StatusOf(const Text& rawHeaders);
// The value of the first header line with this name (ASCII case ignored),
// trimmed; empty when there is none.
Text HeaderValue(const Text& rawHeaders, const Text& name);

// The address a request goes to, rebuilt from its parts.
Text RequestUrl(const TransportRequest& request);
// A reference resolved against an absolute http(s) base, dot segments
// removed (RFC 3986, section 5.2).
Text ResolveReference(const Text& base, const Text& reference);

// Turns `request` into the one a redirect answer sends it on to.  false: the
// Location cannot be followed (empty, another scheme, no host).
bool Redirected(TransportRequest& request, int status, const Text& location);

// One exchange, or a chain of them while the answers redirect and the request
// lets them be followed; all within one total time limit.  A chain longer
// than kMaxRedirects, or a Location that cannot be followed, is no answer.
TransportResponse ExecuteFollowingRedirects(Transport& transport, const TransportRequest& request,
                                            const TransportLimits& limits);

}  // namespace pelko
