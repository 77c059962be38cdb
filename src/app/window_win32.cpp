// The main window on Windows: plain Win32 controls through the wide-character
// API.  Every text crosses to the core as code page 936, converted explicitly,
// so the captions read right whatever language Windows is set to.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>  // std::chrono: <chrono> itself does not build with the code page 936 literal charset

#include "app/integer_box.h"
#include "app/window.h"
#include "textutil/codepage_os.h"

namespace pelko {

namespace {

constexpr wchar_t kClassName[] = L"PelkoMonitorMainWindow";
constexpr int kLeft = 50, kTop = 50, kOuterW = 370, kOuterH = 446;
constexpr int kFirstId = 100;

enum class Kind { Group, Label, Box, NumberBox, KeywordBox, Button };

struct Layout {
    Control control;
    Kind kind;
    int parent;  // index into kLayout, -1 for the window's client area
    int x, y, w, h;
    const char* text;  // code page 936
};

// Positions are relative to the group box that holds the control.
constexpr Layout kLayout[] = {
    {Control::分组框1, Kind::Group, -1, 8, 9, 352, 184, "关键词监控"},
    {Control::编辑框_关键词, Kind::KeywordBox, 0, 8, 24, 336, 144, ""},
    {Control::分组框2, Kind::Group, -1, 8, 201, 352, 207, "监控设置"},
    {Control::透明标签2, Kind::Label, 2, 16, 20, 32, 24, "数量:"},
    {Control::编辑框_扫描数量, Kind::NumberBox, 2, 64, 20, 136, 24, ""},
    {Control::透明标签3, Kind::Label, 2, 16, 53, 32, 24, "间隔:"},
    {Control::编辑框_间隔时间, Kind::NumberBox, 2, 64, 53, 136, 24, ""},
    {Control::透明标签4, Kind::Label, 2, 16, 86, 32, 24, "分割:"},
    {Control::编辑框_分割符号, Kind::Box, 2, 64, 86, 136, 24, ""},
    {Control::按钮_恢复默认, Kind::Button, 2, 224, 18, 108, 24, "恢复默认"},
    {Control::按钮_保存设置, Kind::Button, 2, 224, 52, 108, 24, "保存设置"},
    {Control::按钮_开始监控, Kind::Button, 2, 224, 86, 108, 24, "开始监控"},
    {Control::分组框3, Kind::Group, 2, 4, 123, 344, 80, "推送设置"},
    {Control::透明标签5, Kind::Label, 12, 14, 17, 60, 24, "钉钉推送:"},
    {Control::编辑框_推送, Kind::Box, 12, 79, 17, 251, 24, ""},
    {Control::透明标签1, Kind::Label, 12, 14, 48, 60, 24, "Server酱:"},
    {Control::编辑框_Server酱, Kind::Box, 12, 79, 48, 251, 24, ""},
};
constexpr size_t kControlCount = std::size(kLayout);

size_t IndexOf(Control c) {
    for (size_t i = 0; i < kControlCount; ++i)
        if (kLayout[i].control == c) return i;
    return kControlCount;
}

std::wstring Wide(const Text& text) {
    std::u16string u = os::DecodeToUtf16(text, 936);
    return std::wstring(u.begin(), u.end());
}

Text Narrow(const std::wstring& wide) {
    return os::EncodeFromUtf16(std::u16string(wide.begin(), wide.end()), 936);
}

bool AcceptedInNumberBox(WPARAM ch) {
    // Control characters carry Backspace, Ctrl+C/V/X/A and the like.
    return ch < 0x20 || ch == 0x7F || ch == '-' || (ch >= '0' && ch <= '9');
}

LRESULT CALLBACK NumberBoxProc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_CHAR && !AcceptedInNumberBox(w)) return 0;
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(h, NumberBoxProc, id);
    return DefSubclassProc(h, msg, w, l);
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool HasFace(const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// A face that has the Chinese glyphs: the Windows ones first, then the one a
// Linux desktop offers to programs run in its compatibility layer.
HFONT CreateUiFont() {
    static const wchar_t* const kFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"NSimSun",
                                            L"WenQuanYi Micro Hei", L"Noto Sans CJK SC"};
    for (const wchar_t* face : kFaces) {
        if (!HasFace(face)) continue;
        HFONT f = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
        if (f) return f;
    }
    return nullptr;
}

class Win32Window : public MainWindow {
public:
    ~Win32Window() override {
        if (hwnd_) DestroyWindow(hwnd_);
        if (font_) DeleteObject(font_);
    }

    Text GetText(Control box) override { return ReadText(Handle(box)); }
    void SetText(Control box, const Text& text) override {
        if (HWND h = Handle(box)) SetWindowTextW(h, Wide(text).c_str());
    }
    Text GetCaption(Control button) override { return ReadText(Handle(button)); }
    void SetCaption(Control button, const Text& caption) override { SetText(button, caption); }
    void SetEnabled(Control control, bool enabled) override {
        if (HWND h = Handle(control)) EnableWindow(h, enabled ? TRUE : FALSE);
    }
    bool IsDisabled(Control control) override {
        HWND h = Handle(control);
        return h && !IsWindowEnabled(h);
    }

    void ShowMessage(const Text& text) override {
        MessageBoxW(hwnd_, Wide(text).c_str(), Wide("Pelko爆料监控").c_str(), MB_OK | MB_ICONWARNING);
    }

    void ProcessEvents() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT) {
                quitSeen_ = true;  // stays queued for the outer loop
                return;
            }
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
            if (msg.message == WM_QUIT) {
                quitSeen_ = true;
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            Dispatch(msg);
        }
    }

    void WaitDispatching(int64_t due100ns) override {
        if (IsClosed()) return;
        if (due100ns >= 0) {
            ProcessEvents();  // no wait, but a stop click must still be seen
            return;
        }
        using Clock = std::chrono::steady_clock;
        const int64_t ms = due100ns <= -INT64_MAX ? INT64_MAX / 10000 : -due100ns / 10000;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms > (INT64_MAX >> 24) ? (INT64_MAX >> 24) : ms);

        HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
        LARGE_INTEGER due;
        due.QuadPart = due100ns;
        bool timed = timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
        while (timed && !IsClosed()) {
            DWORD r = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, 0xFF);
            if (r == WAIT_OBJECT_0) break;
            if (r == WAIT_FAILED) timed = false;  // finish on the clock below
            else ProcessEvents();
        }
        if (!timed) {
            // No timer to wait on: the steady clock says when the interval is over.
            while (!IsClosed()) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) break;
                DWORD wait = left > 0x7FFFFFFE ? 0x7FFFFFFEu : static_cast<DWORD>(left);
                MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, 0xFF);
                ProcessEvents();
            }
        }
        if (timer) CloseHandle(timer);
    }

    bool IsClosed() override { return closed_ || quitSeen_; }

    int Run(const WindowEvents& events) override {
        events_ = events;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        HINSTANCE inst = GetModuleHandleW(nullptr);

        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = StaticProc;
        wc.hInstance = inst;
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 1;

        // The outer size includes the frame, as Windows counts it.  No
        // WS_CLIPCHILDREN: group boxes draw only their frame and leave their
        // inside to the window's own background.
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        CreateWindowExW(0, kClassName, Wide("Pelko爆料监控").c_str(), style, kLeft, kTop, kOuterW, kOuterH, nullptr,
                        nullptr, inst, this);
        if (!hwnd_) return 1;
        font_ = CreateUiFont();
        CreateControls(inst);
        if (events_.created) events_.created();
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
        SetFocus(controls_[IndexOf(Control::编辑框_关键词)]);

        MSG msg;
        int code = 0;
        for (;;) {
            BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                code = static_cast<int>(msg.wParam);
                break;
            }
            if (got < 0) {
                code = 1;
                break;
            }
            Dispatch(msg);
        }
        return code;
    }

private:
    HWND Handle(Control c) const {
        size_t i = IndexOf(c);
        return i < kControlCount && controls_[i] && IsWindow(controls_[i]) ? controls_[i] : nullptr;
    }

    static Text ReadText(HWND h) {
        if (!h) return {};
        int n = GetWindowTextLengthW(h);
        if (n <= 0) return {};
        std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
        n = GetWindowTextW(h, buf.data(), n + 1);
        buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return Narrow(buf);
    }

    void Dispatch(MSG& msg) {
        // Tab and Shift+Tab move between the controls as in a dialog.
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    void CreateControls(HINSTANCE inst) {
        for (size_t i = 0; i < kControlCount; ++i) {
            const Layout& l = kLayout[i];
            int x = l.x, y = l.y;
            for (int p = l.parent; p >= 0; p = kLayout[p].parent) {
                x += kLayout[p].x;
                y += kLayout[p].y;
            }
            const wchar_t* cls = L"EDIT";
            DWORD style = WS_CHILD | WS_VISIBLE, ex = 0;
            switch (l.kind) {
            case Kind::Group:
                cls = L"BUTTON";
                style |= BS_GROUPBOX;
                break;
            case Kind::Label:
                cls = L"STATIC";
                style |= SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
                break;
            case Kind::Button:
                cls = L"BUTTON";
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case Kind::KeywordBox:
                style |= ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            case Kind::Box:
            case Kind::NumberBox:
                style |= ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            }
            HWND h = CreateWindowExW(ex, cls, Wide(l.text).c_str(), style, x, y, l.w, l.h, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + i)), inst, nullptr);
            controls_[i] = h;
            if (!h) continue;
            SendMessageW(h, WM_SETFONT,
                         reinterpret_cast<WPARAM>(font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
                         FALSE);
            if (l.kind == Kind::KeywordBox || l.kind == Kind::Box || l.kind == Kind::NumberBox)
                SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // as long as the user likes, not 32767
            if (l.kind == Kind::NumberBox) SetWindowSubclass(h, NumberBoxProc, 1, 0);
        }
    }

    void OnCommand(int id, int code) {
        if (id < kFirstId || id >= kFirstId + static_cast<int>(kControlCount)) return;  // IDOK, IDCANCEL, ...
        const Layout& l = kLayout[id - kFirstId];
        if (l.kind == Kind::NumberBox && code == EN_KILLFOCUS) {
            Text now = GetText(l.control);
            Text rewritten = NormalizedInteger(now);
            if (rewritten != now) SetText(l.control, rewritten);
            return;
        }
        if (l.kind != Kind::Button || code != BN_CLICKED) return;
        const std::function<void()>* handler = nullptr;
        switch (l.control) {
        case Control::按钮_恢复默认: handler = &events_.restoreDefaults; break;
        case Control::按钮_保存设置: handler = &events_.saveSettings; break;
        case Control::按钮_开始监控: handler = &events_.toggleMonitoring; break;
        default: break;
        }
        // Copied first: the monitor loop runs inside this call and may outlive
        // anything the handler refers to in this object.
        if (handler && *handler) {
            std::function<void()> run = *handler;
            run();
        }
    }

    bool IsLabelOrGroup(HWND h) const {
        for (size_t i = 0; i < kControlCount; ++i)
            if (controls_[i] == h) return kLayout[i].kind == Kind::Label || kLayout[i].kind == Kind::Group;
        return false;
    }

    LRESULT OnMessage(HWND h, UINT msg, WPARAM w, LPARAM l) {
        switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(w), HIWORD(w));
            return 0;
        case WM_CTLCOLORSTATIC:
            if (IsLabelOrGroup(reinterpret_cast<HWND>(l))) {
                // The labels show the window's own background through.
                HDC dc = reinterpret_cast<HDC>(w);
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(w) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(hwnd_, f)) lastFocus_ = f;
            }
            break;
        case WM_SETFOCUS:
            // Back to where the user was typing, as a dialog does.
            if (lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) SetFocus(lastFocus_);
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            closed_ = true;
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            controls_.fill(nullptr);
            break;
        default:
            break;
        }
        return DefWindowProcW(h, msg, w, l);
    }

    static LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
            self->hwnd_ = h;
            SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (!self || self->hwnd_ != h) return DefWindowProcW(h, msg, w, l);
        return self->OnMessage(h, msg, w, l);
    }

    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    HFONT font_ = nullptr;
    HWND lastFocus_ = nullptr;
    WindowEvents events_;
    bool closed_ = false, quitSeen_ = false;
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow() { return std::make_unique<Win32Window>(); }

}  // namespace pelko
