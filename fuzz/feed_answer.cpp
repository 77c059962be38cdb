// The list API's answer, from the bytes on the wire to FeedItem records.
#include "config/paths.h"
#include "fuzz_support.h"
#include "http/transport.h"
#include "monitor/feed.h"

namespace {

class AnswerTransport : public pelko::Transport {
public:
    pelko::TransportResponse Execute(const pelko::TransportRequest&, const pelko::TransportLimits&) override {
        pelko::TransportResponse response;
        response.sent = true;
        response.rawHeaders = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n";
        response.body = pelko::Bytes(answer);
        return response;
    }
    std::string answer;
};

AnswerTransport transport;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pelko::SetTransport(&transport);
    // The service bases come from config.ini beside the program: none here.
    pelko::SetRunDirectoryForTesting(pelko::fuzz::ScratchFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    transport.answer.assign(reinterpret_cast<const char*>(data), size);
    pelko::FeedItemList items(1);
    items[0].article_id = "kept";
    const pelko::Text rows = pelko::QueryFeed("鼠标", "20", items);
    if (rows == "-1" || rows == "0") {
        // Nothing usable: the caller's list stays as it was.
        FUZZ_CHECK(items.size() == 1 && items[0].article_id == "kept");
    } else {
        FUZZ_CHECK(pelko::ToText(static_cast<int>(items.size())) == rows);
    }
    return 0;
}
