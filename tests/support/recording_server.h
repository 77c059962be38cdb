// A loopback HTTP server that keeps every request exactly as it arrived
// (request line, header lines, body), for checks byte for byte, and answers
// each with 200 and the handler's JSON text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace pelko::testing {

using RecordedRequest = SeenRequest;

// A listening socket on 127.0.0.1 at a port the system picks.
inline sockets::Socket ListenOnLoopback(int& port) { return sockets::Bound(port, true); }

class RecordingServer {
public:
    // The answer's body, a whole HTTP response beginning with "HTTP/", or
    // LoopbackServer::kHold for no answer at all.
    using Handler = std::function<std::string(const RecordedRequest&)>;

    explicit RecordingServer(Handler handler)
        : server_([handler = std::move(handler)](const SeenRequest& r, int) {
              std::string answer = handler(r);
              // An answer that is a whole HTTP response goes out as it is.
              if (answer.rfind("HTTP/", 0) == 0 || answer == LoopbackServer::kHold) return answer;
              return RawAnswer("200 OK", answer, "Content-Type: application/json; charset=utf-8\r\n");
          }) {}

    int port() const { return server_.port(); }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port()); }
    std::vector<RecordedRequest> requests() const { return server_.requests(); }
    void clear() { server_.clear(); }

private:
    LoopbackServer server_;
};

}  // namespace pelko::testing
