// The window as the logic sees it: its controls by name, their texts and
// states, and the event wait.  Backends: FLTK (Linux), Win32 (Windows) and a
// windowless one for --headless (app/).  No toolkit type appears here.
#pragma once

#include <cstdint>

#include "textutil/text.h"

namespace pelko {

enum class Control {
    分组框1,
    编辑框_关键词,
    分组框2,
    透明标签2,
    编辑框_扫描数量,
    透明标签3,
    编辑框_间隔时间,
    透明标签4,
    编辑框_分割符号,
    按钮_恢复默认,
    按钮_保存设置,
    按钮_开始监控,
    分组框3,
    透明标签5,
    编辑框_推送,
    透明标签1,
    编辑框_Server酱,
    编辑框_钉钉加签,  // the signing secret of a DingTalk robot; empty: unsigned
    透明标签6,
    按钮_测试推送,
    标签_状态,  // the status line, set by the program only
};

class Window {
public:
    virtual ~Window() = default;
    // Texts cross here as code page 936.
    virtual Text GetText(Control box) = 0;
    virtual void SetText(Control box, const Text& text) = 0;
    virtual Text GetCaption(Control button) = 0;
    virtual void SetCaption(Control button, const Text& caption) = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual bool IsDisabled(Control control) = 0;
    // Dispatches every waiting event, then returns.
    virtual void ProcessEvents() = 0;
    // Dispatches events while sleeping in the toolkit's own event wait until
    // `due100ns` (a negative time relative to now, in 100 ns units) has
    // passed, or until the window is closed.  A due time of 0 or above still
    // dispatches what is waiting once.
    virtual void WaitDispatching(int64_t due100ns) = 0;
    // True once the user has closed the window (or a headless run was told
    // to end): the monitor loop then ends instead of starting another pass.
    virtual bool IsClosed() = 0;
    // Tells the user something that needs an answer before anything goes on
    // (a message box; a windowless run prints it on stderr).
    virtual void ShowMessage(const Text& text) = 0;
};

}  // namespace pelko
