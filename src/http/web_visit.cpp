#include "http/web_visit.h"

#include "http/redirects.h"
#include "http/request.h"

namespace pelko {

Bytes WebVisit(const Text& url, const WebVisitParams& params) {
    // The one catch on the way to the network: below it nothing turns an
    // exception into a result, so a request that throws (out of memory)
    // gives the empty result like any other failure.
    try {
        TransportRequest request = ComposeRequest(url, params);
        TransportResponse response = ExecuteFollowingRedirects(CurrentTransport(), request, CurrentLimits());
        if (!response.sent) {
            // A failed request leaves nothing half-read behind.
            response.body.clear();
            response.rawHeaders.clear();
        }
        return TakeAnswer(request, response, params);
    } catch (...) {
        return {};
    }
}

}  // namespace pelko
