#include "app/test_push.h"

#include "config/services.h"
#include "notify/addressing.h"
#include "textutil/clock_os.h"

#include <cstdio>

namespace pelko {

namespace {

Text DateTimeText(int64_t unixMs) {
    CivilTime t;
    if (!os::LocalTimeOf(unixMs / 1000, t)) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

TestPushAnswer AnswerOf(PushTarget target, const Text& key, const PushAnswer& answer) {
    return {target, Text(TargetName(target)) + " " + MaskSecret(key), answer.kind == PushAnswer::Kind::Accepted,
            answer.reason};
}

}  // namespace

ReportTexts TestPushReport(int64_t nowMs) {
    return {.article_mall = "Pelko爆料监控",
            .article_title = "测试推送: 收到这条消息, 推送就设好了",
            .article_subtitle = "测试",
            .publish_date_lt = DateTimeText(nowMs),
            .article_referrals = "Pelko爆料监控",
            .article_url = "",
            .article_pic = ""};
}

std::vector<TestPushAnswer> SendTestPush(const PushSettings& settings, int64_t nowMs) {
    std::vector<TestPushAnswer> answers;
    const ReportTexts report = TestPushReport(nowMs);
    if (!TrimText(settings.dingTalkToken).empty())
        answers.push_back(AnswerOf(PushTarget::DingTalk, DingTalkToken(settings.dingTalkToken),
                                   PushDingTalk(report, settings.dingTalkToken, settings.dingTalkSecret, nowMs)));
    if (!TrimText(settings.serverChanKey).empty())
        answers.push_back(AnswerOf(PushTarget::ServerChan, TrimText(settings.serverChanKey),
                                   PushServerChan(report, settings.serverChanKey)));
    return answers;
}

TestPushButton::~TestPushButton() {
    if (worker_.joinable()) worker_.join();
}

void TestPushButton::Click() {
    if (running_.load()) return;
    const PushSettings settings{window_.GetText(Control::编辑框_推送), window_.GetText(Control::编辑框_钉钉加签),
                                window_.GetText(Control::编辑框_Server酱)};
    if (!settings.any()) {
        status_.OnTestPushDone({});
        return;
    }
    if (worker_.joinable()) worker_.join();  // the last one has posted its answers already
    // The time limits of config.ini, read here: the requests only read them.
    ApplyConfiguredLimits();
    running_.store(true);
    window_.SetEnabled(Control::按钮_测试推送, false);
    status_.OnTestPushStarted();
    worker_ = std::thread([this, settings] {
        std::vector<TestPushAnswer> answers = SendTestPush(settings, WallClockMs());
        thread_.Post([this, answers = std::move(answers)] {
            running_.store(false);
            status_.OnTestPushDone(answers);
            // Monitoring started meanwhile keeps the button locked.
            window_.SetEnabled(Control::按钮_测试推送, !window_.IsDisabled(Control::按钮_保存设置));
        });
    });
}

}  // namespace pelko
