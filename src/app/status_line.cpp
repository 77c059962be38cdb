#include "app/status_line.h"

#include <cstdio>
#include <cstdlib>

#include "textutil/clock_os.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

Text ClockText(int64_t unixMs) {
    CivilTime t;
    if (!os::LocalTimeOf(unixMs / 1000, t)) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

// "25秒", "3分05秒", "2时03分".
Text DurationText(int64_t seconds) {
    char buf[48];
    if (seconds < 100) std::snprintf(buf, sizeof buf, "%lld秒", static_cast<long long>(seconds));
    else if (seconds < 3600)
        std::snprintf(buf, sizeof buf, "%lld分%02lld秒", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    else
        std::snprintf(buf, sizeof buf, "%lld时%02lld分", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60));
    return buf;
}

int Columns(const Text& text) {
    int n = 0;
    for (size_t i = 0; i < text.size(); i += CharWidthAt(text, i)) n += static_cast<int>(CharWidthAt(text, i));
    return n;
}

// Joins the pieces with "；"; when they do not fit together, each gets an
// equal share, so no service's failure pushes another one out of sight.
Text JoinFitting(const TextArray& pieces, int columns) {
    const Text separator = "；";
    Text joined;
    for (const Text& p : pieces) joined += (joined.empty() ? Text() : separator) + p;
    if (Columns(joined) <= columns || pieces.size() < 2) return FitColumns(joined, columns);
    const int share = (columns - Columns(separator) * static_cast<int>(pieces.size() - 1)) /
                      static_cast<int>(pieces.size());
    joined.clear();
    for (const Text& p : pieces) joined += (joined.empty() ? Text() : separator) + FitColumns(p, share);
    return joined;
}

}  // namespace

Text FitColumns(const Text& text, int columns) {
    if (Columns(text) <= columns) return text;
    const Text ellipsis = "…";
    const int room = columns - Columns(ellipsis);
    size_t cut = 0;
    int used = 0;
    while (cut < text.size()) {
        const size_t w = CharWidthAt(text, cut);
        if (used + static_cast<int>(w) > room) break;
        used += static_cast<int>(w);
        cut += w;
    }
    return text.substr(0, cut) + ellipsis;
}

StatusLine::StatusLine(std::function<void(const Text&)> show, std::function<Text()> intervalBox,
                       std::function<int64_t()> clock)
    : show_(std::move(show)), intervalBox_(std::move(intervalBox)), clock_(std::move(clock)) {
    Update();
}

void StatusLine::SetMonitoring(bool monitoring) {
    if (monitoring == monitoring_) return;
    monitoring_ = monitoring;
    if (monitoring) {
        // A new run: what the last one met is history.
        inPass_ = noTarget_ = false;
        last_.reset();
        keywordFailure_.clear();
        serviceFailure_[0].clear();
        serviceFailure_[1].clear();
        testPush_.clear();
    }
    inPass_ = false;
    Update();
}

void StatusLine::Tick() { Update(); }

void StatusLine::OnTestPushStarted() {
    testPush_ = {"测试推送: 发送中…"};
    Update();
}

void StatusLine::OnTestPushDone(const std::vector<TestPushAnswer>& answers) {
    // A line for each target: a service's reason is worth reading whole.
    testPush_.clear();
    for (const TestPushAnswer& a : answers)
        testPush_.push_back("测试推送 " + a.who + (a.accepted ? Text(" 已送达") : ": " + a.reason));
    if (testPush_.empty()) testPush_.push_back("测试推送: 钉钉和Server酱都未填写");
    Update();
}

void StatusLine::OnPassStart(const TextArray&) {
    inPass_ = true;
    passKeywordFailure_.clear();
    Update();
}

void StatusLine::OnNoPushTarget() {
    noTarget_ = true;
    Update();
}

void StatusLine::OnKeywordFailed(const Text& keyword, const Text& reason) {
    // The first failed keyword of a pass stands for the others.
    if (passKeywordFailure_.empty()) passKeywordFailure_ = "列表 " + keyword + ": " + reason;
    keywordFailure_ = passKeywordFailure_;
    Update();
}

void StatusLine::OnDeliveryFailed(const DeliveryEvent& d) {
    serviceFailure_[static_cast<int>(d.target)] = Text(TargetName(d.target)) + ": " + d.reason;
    Update();
}

void StatusLine::OnLateDelivery(const DeliveryEvent& d) {
    serviceFailure_[static_cast<int>(d.target)].clear();
    Update();
}

void StatusLine::OnGiveUp(const DeliveryEvent& d) {
    serviceFailure_[static_cast<int>(d.target)] =
        Text(TargetName(d.target)) + ": 一天未送达, 已放弃 (" + d.reason + ")";
    Update();
}

void StatusLine::OnHeld(PushTarget target, const Text& reason, int64_t untilMs) {
    serviceFailure_[static_cast<int>(target)] =
        Text(TargetName(target)) + ": 暂停到 " + ClockText(untilMs) + " (" + reason + ")";
    Update();
}

void StatusLine::OnPassDone(const PassSummary& summary) {
    inPass_ = false;
    last_ = summary;
    waiting_ = summary.waiting;
    lastDoneMs_ = clock_();
    keywordFailure_ = passKeywordFailure_;
    // Nothing waits: every service took what it was given.
    if (summary.waiting == 0) {
        serviceFailure_[0].clear();
        serviceFailure_[1].clear();
    }
    const int32_t interval = TextToInt(intervalBox_ ? intervalBox_() : Text());
    nextPassMs_ = lastDoneMs_ + static_cast<int64_t>(interval < 1 ? 1 : interval) * 1000;
    Update();
}

void StatusLine::OnOutboxChanged(int waiting) {
    waiting_ = waiting;
    Update();
}

Text StatusLine::FirstLine() const {
    if (!last_) return monitoring_ ? "监控中: 第一轮查询中…" : "未在监控";
    const PassSummary& s = *last_;
    Text line = (monitoring_ ? Text() : Text("已停止 ")) + ClockText(lastDoneMs_) + " 关键词" + ToText(s.keywords);
    if (s.failedKeywords) line += "(失败" + ToText(s.failedKeywords) + ")";
    line += " 行" + ToText(s.rows) + " 新" + ToText(s.newReports) + " 送达" + ToText(s.accepted) + " 待发" +
            ToText(waiting_);
    // The countdown is never the part cut off.
    Text tail;
    if (monitoring_) {
        if (inPass_) {
            tail = " 查询中…";
        } else {
            const int64_t left = nextPassMs_ - clock_();
            tail = " 下轮" + DurationText(left > 0 ? (left + 999) / 1000 : 0);
        }
    }
    return FitColumns(line, kStatusColumns - Columns(tail)) + tail;
}

Text StatusLine::SecondLine() const {
    if (!testPush_.empty()) return FitColumns(testPush_.back(), kStatusColumns);
    TextArray pieces;
    if (noTarget_) pieces.push_back("未设推送目标, 新爆料只记下");
    if (!keywordFailure_.empty()) pieces.push_back(keywordFailure_);
    for (const Text& f : serviceFailure_)
        if (!f.empty()) pieces.push_back(f);
    return JoinFitting(pieces, kStatusColumns);
}

Text StatusLine::Current() const {
    // Two answers of a test push take both lines.
    if (testPush_.size() > 1) return FitColumns(testPush_[0], kStatusColumns) + "\n" + SecondLine();
    const Text second = SecondLine();
    return second.empty() ? FirstLine() : FirstLine() + "\n" + second;
}

void StatusLine::Update() {
    Text now = Current();
    if (now == shown_) return;
    shown_ = std::move(now);
    if (show_) show_(shown_);
}

std::function<void(const Text&)> StatusLogFromEnvironment() {
    const char* path = std::getenv("PELKO_STATUS_LOG");
    if (!path || !*path) return {};
    return [file = Text(path)](const Text& text) {
        Text line;
        for (char c : text) line += c == '\n' ? Text(" | ") : Text(1, c);
        line = AnsiToUtf8(line) + "\n";
        if (FILE* f = std::fopen(file.c_str(), "ab")) {
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    };
}

}  // namespace pelko
