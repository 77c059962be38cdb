#include "http/web_visit.h"

#include "http/request.h"

namespace pelko {

Bytes WebVisit(const Text& url, const WebVisitParams& params) {
    try {
        TransportRequest request = ComposeRequest(url, params);
        TransportResponse response = CurrentTransport().Execute(request, CurrentLimits());
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
