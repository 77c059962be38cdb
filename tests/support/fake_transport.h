// A transport that records each request and answers from a script.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "http/transport.h"

namespace pelko::testing {

class FakeTransport : public Transport {
public:
    FakeTransport() { SetTransport(this); }
    ~FakeTransport() override { SetTransport(nullptr); }

    // One request at a time: a pass sends several at once, and neither the
    // list nor a test's answer function need guard themselves.
    TransportResponse Execute(const TransportRequest& request, const TransportLimits&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        requests.push_back(request);
        TransportResponse response;
        response.sent = true;
        response.rawHeaders = "HTTP/1.1 200 OK\r\n\r\n";
        if (answer) response.body = Bytes(answer(request));
        return response;
    }

    // Requests whose object name begins with `prefix`.
    std::vector<TransportRequest> To(const Text& prefix) const {
        std::vector<TransportRequest> out;
        for (const auto& r : requests)
            if (r.objectName.rfind(prefix, 0) == 0) out.push_back(r);
        return out;
    }

    std::function<std::string(const TransportRequest&)> answer;
    std::vector<TransportRequest> requests;

private:
    std::mutex mutex_;
};

}  // namespace pelko::testing
