// A pass asks its keywords several at a time; what it pushes and marks must
// not depend on the order the answers come back in.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "monitor/monitor.h"
#include "support/fake_window.h"
#include "support/feed_answer.h"
#include "support/temp_dir.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

using testing::FakeWindow;
using testing::FeedAnswer;
using testing::Row;

Row Report(int id) {
    return {.mall = "m", .id = std::to_string(id), .referrals = "r", .title = "title-" + std::to_string(id) + "-"};
}

// List answers that come back out of order: the first keyword's waits until
// three more are in flight, and every later one sooner than the one before.
class OutOfOrderFeed : public Transport {
public:
    OutOfOrderFeed() { SetTransport(this); }
    ~OutOfOrderFeed() override { SetTransport(nullptr); }

    TransportResponse Execute(const TransportRequest& request, const TransportLimits&) override {
        TransportResponse response;
        response.sent = true;
        response.rawHeaders = "HTTP/1.1 200 OK\r\n\r\n";
        if (request.host == "ding.test") {
            std::lock_guard<std::mutex> lock(mutex);
            pushes.push_back(IdIn(request.body));
            response.body = "{\"errcode\":0}";
            return response;
        }
        const char keyword = KeywordOf(request.objectName);
        const int index = keyword - 'a';
        {
            std::unique_lock<std::mutex> lock(mutex);
            started.push_back(keyword);
            maxInFlight = std::max(maxInFlight, ++inFlight);
            changed.notify_all();
            if (index == 0) changed.wait_for(lock, std::chrono::seconds(5), [&] { return inFlight >= 4; });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds((9 - index) * 3));
        std::lock_guard<std::mutex> lock(mutex);
        --inFlight;
        response.body = Bytes(answers[keyword]);
        return response;
    }

    // The keyword is one letter, sent as %XX.
    static char KeywordOf(const Text& objectName) {
        const size_t at = objectName.find("keyword=%");
        return static_cast<char>(std::stoi(objectName.substr(at + 9, 2), nullptr, 16));
    }
    static int IdIn(const std::string& body) {
        const size_t at = body.find("title-");
        return at == std::string::npos ? -1 : std::stoi(body.substr(at + 6));
    }

    std::map<char, std::string> answers;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> started;
    std::vector<int> pushes;
    int inFlight = 0, maxInFlight = 0;
};

struct Events : PassObserver {
    void OnNewReport(const FeedItem& item) override {
        marked.push_back(std::stoi(item.article_id));
        if (onReport) onReport(item);
    }
    void OnKeywordFailed(const Text& keyword, const Text&) override { failed += keyword; }
    std::vector<int> marked;
    Text failed;
    std::function<void(const FeedItem&)> onReport;
};

class KeywordQueriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write(u8"config.ini", "[Services]\r\nFeedBase=http://feed.test\r\nDingTalkBase=http://ding.test\r\n");
        window.texts[Control::编辑框_推送] = "TOKEN";
        // What a pass one keyword after the other makes of these: a keyword
        // without rows (c, h) or with a failed query (d, f) leaves the
        // earlier keyword's reports in the list, which are found again.
        feed.answers = {
            {'a', FeedAnswer({Report(1), Report(2)})},
            {'b', FeedAnswer({Report(3)})},
            {'c', FeedAnswer({})},
            {'d', "<html>busy</html>"},
            {'e', FeedAnswer({Report(2), Report(4)})},
            {'f', "{\"error_code\":1,\"error_msg\":\"later\"}"},
            {'g', FeedAnswer({Report(5)})},
            {'h', FeedAnswer({})},
            {'i', FeedAnswer({Report(6)})},
            {'j', FeedAnswer({Report(7)})},
        };
    }

    testing::TempRunDirectory dir;
    OutOfOrderFeed feed;
    FakeWindow window;
    Events events;
};

TEST_F(KeywordQueriesTest, PushesAndMarksFollowKeywordOrderWhateverTheAnswerOrder) {
    PassSummary s = RunMonitorPass(window, "a#b#c#d#e#f#g#h#i#j", "5", "#", events);

    EXPECT_EQ(feed.maxInFlight, 4) << "four at once, never more";
    std::sort(feed.started.begin(), feed.started.end());
    EXPECT_EQ(feed.started, (std::vector<char>{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'})) << "each once";
    EXPECT_EQ(events.marked, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(feed.pushes, events.marked);
    EXPECT_EQ(events.failed, "df");
    EXPECT_EQ(s.keywords, 10);
    EXPECT_EQ(s.failedKeywords, 2);
    EXPECT_EQ(s.newReports, 7);
    EXPECT_EQ(s.accepted, 7);
}

TEST_F(KeywordQueriesTest, AStopEndsThePassBetweenKeywords) {
    // Closed while b's report is handled: it is marked and waits in the
    // outbox, the answers already asked for after it are dropped, and the
    // summary names just a and b.
    events.onReport = [&](const FeedItem& item) {
        if (item.article_id == "3") window.closed = true;
    };
    PassSummary s = RunMonitorPass(window, "a#b#c#d#e#f#g#h#i#j", "5", "#", events);
    EXPECT_EQ(events.marked, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(feed.pushes, (std::vector<int>{1, 2}));
    EXPECT_EQ(s.waiting, 1);
    EXPECT_EQ(s.keywords, 2);
    EXPECT_EQ(s.askedKeywords, (TextArray{"a", "b"}));
    EXPECT_LE(feed.started.size(), 6u) << "no more than four beyond the one being read";
}

}  // namespace
}  // namespace pelko
