// The main window on Windows: plain Win32 controls through the wide-character
// API.  Every text crosses to the core as code page 936, converted explicitly,
// so the captions read right whatever language Windows is set to.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "app/integer_box.h"
#include "app/window.h"
#include "app/window_layout.h"
#include "config/chrono.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

constexpr wchar_t kClassName[] = L"PelkoMonitorMainWindow";
constexpr int kFirstId = 100;  // control ids: kFirstId + row of the layout
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kSecondTimer = 1;

std::wstring Wide(const Text& text) {
    std::u16string u = AnsiToUtf16(text);
    return std::wstring(u.begin(), u.end());
}

Text Narrow(const std::wstring& wide) {
    return Utf16ToAnsi(std::u16string(wide.begin(), wide.end()));
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
HFONT CreateUiFont(int dpi) {
    static const wchar_t* const kFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"NSimSun",
                                            L"WenQuanYi Micro Hei", L"Noto Sans CJK SC"};
    for (const wchar_t* face : kFaces) {
        if (!HasFace(face)) continue;
        HFONT f = CreateFontW(-MulDiv(12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
        if (f) return f;
    }
    return nullptr;
}

// The dots per inch of the monitor a window is on.  Asked of the window where
// the system can tell (Windows 10 and later), else of the screen.
int DpiOf(HWND h) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && h) {
        if (UINT dpi = getDpi(h)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// Ctrl+A in an edit box selects its whole text; the plain edit control
// leaves that to the program.
bool SelectAllOnCtrlA(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != 'A' || GetKeyState(VK_CONTROL) >= 0) return false;
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0) return false;
    wchar_t cls[8] = {};
    if (!GetClassNameW(msg.hwnd, cls, 8) || lstrcmpiW(cls, L"EDIT") != 0) return false;
    SendMessageW(msg.hwnd, EM_SETSEL, 0, -1);
    return true;
}

class Win32Window : public MainWindow {
public:
    ~Win32Window() override {
        if (hwnd_) DestroyWindow(hwnd_);
        if (font_) DeleteObject(font_);
    }

    Text GetText(Control box) override { return ReadText(Handle(box)); }
    void SetText(Control box, const Text& text) override {
        HWND h = Handle(box);
        if (!h) return;
        if (box != Control::标签_状态) {
            SetWindowTextW(h, Wide(text).c_str());
            return;
        }
        // A static control breaks its lines at CR LF.
        Text lines;
        for (char c : text) lines += c == '\n' ? Text("\r\n") : Text(1, c);
        SetWindowTextW(h, Wide(lines).c_str());
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

    void Wake() override {
        if (HWND h = wakeTarget_.load()) PostMessageW(h, kWakeMessage, 0, 0);
    }

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
        const LayoutSize outer = WindowOuterSize();
        CreateWindowExW(0, kClassName, Wide(WindowTitle()).c_str(), style, kWindowLeft, kWindowTop, outer.w, outer.h,
                        nullptr, nullptr, inst, this);
        if (!hwnd_) return 1;
        // The layout is given at 96 dpi; on another monitor every place and
        // the font grow with it, the outer size with them.
        dpi_ = DpiOf(hwnd_);
        if (dpi_ != 96) {
            const LayoutSize client = WindowClientSize();
            RECT r{0, 0, Scaled(client.w), Scaled(client.h)};
            using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
            const auto adjust = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
            if (!adjust || !adjust(&r, style, FALSE, 0, static_cast<UINT>(dpi_))) r = {0, 0, Scaled(outer.w), Scaled(outer.h)};
            SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        font_ = CreateUiFont(dpi_);
        CreateControls(inst);
        wakeTarget_.store(hwnd_);
        if (events_.created) events_.created();
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
        SetFocus(Handle(Control::编辑框_关键词));
        SetTimer(hwnd_, kSecondTimer, 1000, nullptr);

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
        size_t i = RowIndex(c);
        return i < controls_.size() && controls_[i] && IsWindow(controls_[i]) ? controls_[i] : nullptr;
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

    int Scaled(int v) const { return MulDiv(v, dpi_, 96); }

    HFONT UiFont() const { return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

    // Moved to a monitor of other dots per inch: places, sizes and the font follow.
    void OnDpiChanged(int dpi, const RECT& suggested) {
        dpi_ = dpi;
        HFONT old = font_;
        font_ = CreateUiFont(dpi_);
        const auto rows = LayoutRows();
        for (size_t i = 0; i < rows.size() && i < controls_.size(); ++i) {
            if (!controls_[i]) continue;
            const LayoutRect r = ClientRect(rows[i]);
            SetWindowPos(controls_[i], nullptr, Scaled(r.x), Scaled(r.y), Scaled(r.w), Scaled(r.h),
                         SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
        }
        if (old) DeleteObject(old);
        SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void Dispatch(MSG& msg) {
        if (SelectAllOnCtrlA(msg)) return;
        // Tab and Shift+Tab move between the controls as in a dialog.
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    void CreateControls(HINSTANCE inst) {
        const auto rows = LayoutRows();
        controls_.assign(rows.size(), nullptr);
        for (size_t i = 0; i < rows.size(); ++i) {
            const ControlRow& row = rows[i];
            const LayoutRect r = ClientRect(row);
            const wchar_t* cls = L"EDIT";
            DWORD style = WS_CHILD | WS_VISIBLE, ex = 0;
            switch (row.kind) {
            case ControlKind::GroupBox:
                cls = L"BUTTON";
                style |= BS_GROUPBOX;
                break;
            case ControlKind::Label:
                cls = L"STATIC";
                style |= SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
                break;
            case ControlKind::StatusText:
                cls = L"STATIC";
                style |= SS_LEFT | SS_NOPREFIX;
                break;
            case ControlKind::Button:
                cls = L"BUTTON";
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ControlKind::MultiLineEditBox:
                style |= ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::EditBox:
            case ControlKind::NumberBox:
                style |= ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            }
            HWND h = CreateWindowExW(ex, cls, Wide(row.caption).c_str(), style, Scaled(r.x), Scaled(r.y), Scaled(r.w),
                                     Scaled(r.h), hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + i)), inst, nullptr);
            controls_[i] = h;
            if (!h) continue;
            SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
            if (IsEditKind(row.kind)) SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // as long as the user likes, not 32767
            if (row.kind == ControlKind::NumberBox) SetWindowSubclass(h, NumberBoxProc, 1, 0);
        }
    }

    static bool IsEditKind(ControlKind kind) {
        return kind == ControlKind::MultiLineEditBox || kind == ControlKind::EditBox || kind == ControlKind::NumberBox;
    }

    void OnCommand(int id, int code) {
        const auto rows = LayoutRows();
        if (id < kFirstId || id >= kFirstId + static_cast<int>(rows.size())) return;  // IDOK, IDCANCEL, ...
        const ControlRow& row = rows[static_cast<size_t>(id - kFirstId)];
        if (row.kind == ControlKind::NumberBox && code == EN_KILLFOCUS) {
            Text now = GetText(row.control);
            Text rewritten = NormalizedInteger(now);
            if (rewritten != now) SetText(row.control, rewritten);
            return;
        }
        if (row.kind != ControlKind::Button || code != BN_CLICKED || !row.raises) return;
        // Copied first: the monitor loop runs inside this call and may outlive
        // anything the handler refers to in this object.
        if (const std::function<void()>& handler = events_.*row.raises) {
            std::function<void()> run = handler;
            run();
        }
    }

    bool IsLabelOrGroup(HWND h) const {
        const auto rows = LayoutRows();
        for (size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i] == h)
                return rows[i].kind == ControlKind::Label || rows[i].kind == ControlKind::StatusText ||
                       rows[i].kind == ControlKind::GroupBox;
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
        case 0x02E0:  // WM_DPICHANGED
            OnDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        case kWakeMessage:
            if (events_.woken) events_.woken();
            return 0;
        case WM_TIMER:
            if (w == kSecondTimer && events_.everySecond) {
                std::function<void()> tick = events_.everySecond;
                tick();
            }
            return 0;
        case WM_CLOSE:
            KillTimer(hwnd_, kSecondTimer);
            if (!closing_) {
                closing_ = true;
                // Before any control goes: work that reads them ends first.
                if (events_.closing) events_.closing();
            }
            wakeTarget_.store(nullptr);
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            closed_ = true;
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            wakeTarget_.store(nullptr);
            hwnd_ = nullptr;
            std::fill(controls_.begin(), controls_.end(), nullptr);
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
    std::vector<HWND> controls_;  // by row of the layout
    HFONT font_ = nullptr;
    int dpi_ = 96;
    HWND lastFocus_ = nullptr;
    WindowEvents events_;
    bool closed_ = false, quitSeen_ = false, closing_ = false;
    std::atomic<HWND> wakeTarget_{nullptr};  // read by Wake on any thread
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow() { return std::make_unique<Win32Window>(); }

}  // namespace pelko
