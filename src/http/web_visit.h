// One complete HTTP or HTTPS request.
#pragma once

#include "http/transport.h"
#include "textutil/text.h"

namespace pelko {

// The optional parameters, each given or not; the designated-initialiser
// form keeps calls readable: WebVisit(url, {.method = 1, .postText = body}).
struct WebVisitParams {
    Opt<int> method{};
    Opt<Text> postText{};
    Text* cookies = nullptr;  // in/out; given at all turns cookie handling over to the caller
    Text* returnedCookies = nullptr;
    Opt<Text> extraHeaders{};
    Text* returnedHeaders = nullptr;
    Opt<bool> noRedirect{};
    Bytes* postBytes = nullptr;  // in/out
    Opt<Text> proxy{};
    Opt<bool> mergeCookies{};
    Opt<bool> completeHeaders{};
    Opt<bool> normaliseHeaderNames{};
    Text* failure = nullptr;  // out: why no answer came; empty when one did
};

Bytes WebVisit(const Text& url, const WebVisitParams& params = {});

// WebVisit in three steps, for callers that keep several requests in flight:
// the first and the last read the parameters and the caller's outputs, and
// stay on the caller's thread; ExchangeVisit touches nothing but the
// transport and the composed request, and may run on any thread.
struct PreparedVisit {
    TransportRequest request;
    TransportLimits limits;  // as they stood when it was prepared
    Transport* transport = nullptr;
    bool composed = false;
};
struct VisitAnswer {
    TransportResponse response;
    // The exchange threw (out of memory): the caller's outputs are left as
    // they were, as WebVisit leaves them.
    bool broken = false;
};
PreparedVisit PrepareVisit(const Text& url, const WebVisitParams& params);
VisitAnswer ExchangeVisit(const PreparedVisit& visit);
Bytes FinishVisit(const PreparedVisit& visit, VisitAnswer answer, const WebVisitParams& params);

// The status code of a returned header block ("HTTP/1.1 200 OK"), 0 when it has none.
int StatusCodeOf(const Text& rawHeaders);

}  // namespace pelko
