// A window made of plain texts, for the logic that reads and sets controls;
// it also keeps the summary of every pass it is told about.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "monitor/observer.h"
#include "monitor/window.h"

namespace pelko::testing {

class FakeWindow : public Window, public PassObserver {
public:
    FakeWindow() { texts[Control::按钮_开始监控] = "开始监控"; }

    Text GetText(Control box) override { return texts[box]; }
    void SetText(Control box, const Text& text) override { texts[box] = text; }
    Text GetCaption(Control button) override { return texts[button]; }
    void SetCaption(Control button, const Text& caption) override { texts[button] = caption; }
    void SetEnabled(Control control, bool enabled) override { disabled[control] = !enabled; }
    bool IsDisabled(Control control) override { return disabled[control]; }
    void ProcessEvents() override {
        ++dispatches;
        RunPending();
    }
    void WaitDispatching(int64_t due100ns) override {
        waits.push_back(due100ns);
        RunPending();
        if (onWait) onWait(*this);
    }
    bool IsClosed() override { return closed; }
    void OnPassDone(const PassSummary& s) override { passes.push_back(s); }
    void ShowMessage(const Text& text) override { messages.push_back(text); }

    // Events queued here run at the next dispatch, as clicks would.
    std::vector<std::function<void(FakeWindow&)>> pending;
    std::function<void(FakeWindow&)> onWait;
    std::map<Control, Text> texts;
    std::map<Control, bool> disabled;
    std::vector<int64_t> waits;
    std::vector<PassSummary> passes;
    std::vector<Text> messages;
    int dispatches = 0;
    bool closed = false;

private:
    void RunPending() {
        auto events = std::move(pending);
        pending.clear();
        for (auto& e : events) e(*this);
    }
};

}  // namespace pelko::testing
