#include "http/web_visit.h"

#include "http/redirects.h"
#include "http/request.h"

namespace pelko {

PreparedVisit PrepareVisit(const Text& url, const WebVisitParams& params) {
    PreparedVisit visit;
    // The one catch on the way to the network: below it nothing turns an
    // exception into a result, so a request that throws (out of memory)
    // gives the empty result like any other failure.
    try {
        visit.request = ComposeRequest(url, params);
        visit.limits = CurrentLimits();
        visit.transport = &CurrentTransport();
        visit.composed = true;
    } catch (...) {
    }
    return visit;
}

VisitAnswer ExchangeVisit(const PreparedVisit& visit) {
    VisitAnswer answer;
    answer.broken = !visit.composed;
    if (answer.broken) return answer;
    try {
        answer.response = ExecuteFollowingRedirects(*visit.transport, visit.request, visit.limits);
    } catch (...) {
        answer.response = {};
        answer.broken = true;
    }
    return answer;
}

Bytes FinishVisit(const PreparedVisit& visit, VisitAnswer answer, const WebVisitParams& params) {
    if (answer.broken) {
        if (params.failure) *params.failure = "no answer";
        return {};
    }
    TransportResponse& response = answer.response;
    try {
        if (params.failure) params.failure->clear();
        if (!response.sent) {
            // A failed request leaves nothing half-read behind.
            response.body.clear();
            response.rawHeaders.clear();
            if (params.failure) *params.failure = response.failure.empty() ? Text("no answer") : response.failure;
        }
        return TakeAnswer(visit.request, response, params);
    } catch (...) {
        if (params.failure) *params.failure = "no answer";
        return {};
    }
}

Bytes WebVisit(const Text& url, const WebVisitParams& params) {
    const PreparedVisit visit = PrepareVisit(url, params);
    return FinishVisit(visit, ExchangeVisit(visit), params);
}

int StatusCodeOf(const Text& rawHeaders) {
    if (rawHeaders.rfind("HTTP/", 0) != 0) return 0;
    const size_t at = rawHeaders.find(' ');
    if (at == Text::npos || at + 4 > rawHeaders.size()) return 0;
    int code = 0;
    for (size_t i = at + 1; i < at + 4; ++i) {
        if (rawHeaders[i] < '0' || rawHeaders[i] > '9') return 0;
        code = code * 10 + (rawHeaders[i] - '0');
    }
    return code;
}

}  // namespace pelko
