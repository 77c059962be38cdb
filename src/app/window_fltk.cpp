// The main window on Linux, built with FLTK 1.3.  FLTK speaks UTF-8; every
// text crosses to the core as code page 936 in GetText/SetText and friends.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "app/integer_box.h"
#include "app/window.h"
#include "app/window_layout.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

constexpr Fl_Font kUiFont = FL_FREE_FONT;
constexpr int kUiSize = 12;

double MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A frame with its caption set into the top line, as group boxes look.
class GroupBox : public Fl_Group {
public:
    GroupBox(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
        box(FL_NO_BOX);
        // Inside, so the parent does not draw the caption a second time above.
        align(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT);
    }

protected:
    void draw() override {
        if (damage() & ~FL_DAMAGE_CHILD) {
            fl_font(labelfont(), labelsize());
            int lineY = y() + fl_height() / 2;
            draw_box(FL_ENGRAVED_FRAME, x(), lineY, w(), h() - (lineY - y()), color());
            if (label() && *label()) {
                int tw = static_cast<int>(fl_width(label())) + 4;
                fl_color(parent() ? parent()->color() : color());
                fl_rectf(x() + 6, y(), tw, fl_height());
                fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
                fl_draw(label(), x() + 8, y() + fl_height() - fl_descent());
            }
        }
        draw_children();
    }
};

// A single-line box whose text stands centred while it is narrower than the
// box; wider text scrolls sideways from the left like any input.
class CentredInput : public Fl_Input {
public:
    CentredInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}

    int handle(int event) override {
        switch (event) {
            case FL_PUSH:
            case FL_DRAG:
            case FL_RELEASE: {
                // The base class maps the pointer to a character as if the
                // text started at the left edge; shift it by our indent.
                int indent = Indent();
                Fl::e_x -= indent;
                int r = Fl_Input::handle(event);
                Fl::e_x += indent;
                return r;
            }
            default:
                return Fl_Input::handle(event);
        }
    }

protected:
    void draw() override {
        // The base class redraws only the characters that changed, at the
        // positions of the last indent; a new indent moves them all.
        clear_damage(FL_DAMAGE_ALL);
        Fl_Boxtype b = box();
        draw_box(b, color());
        int X = x() + Fl::box_dx(b), Y = y() + Fl::box_dy(b);
        int W = w() - Fl::box_dw(b), H = h() - Fl::box_dh(b);
        int indent = Indent();
        drawtext(X + indent, Y, W - indent, H);
    }

private:
    int Indent() {
        fl_font(textfont(), textsize());
        // Room for the cursor after the last character.
        int tw = static_cast<int>(fl_width(value(), size())) + 4;
        int inner = w() - Fl::box_dw(box());
        return tw < inner ? (inner - tw) / 2 : 0;
    }
};

// The integer boxes: typing is limited to "-" and digits, and leaving the box
// rewrites its text as a clamped 32-bit number.
class NumberInput : public CentredInput {
public:
    using CentredInput::CentredInput;

    int handle(int event) override {
        if (event == FL_KEYBOARD && !IsControlKey() && !OnlyNumberChars(Fl::event_text(), Fl::event_length()))
            return 1;  // swallowed: the character is refused
        if (event == FL_UNFOCUS) Normalize();
        return CentredInput::handle(event);
    }

private:
    static bool IsControlKey() {
        if (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) return true;
        const char* t = Fl::event_text();
        int n = Fl::event_length();
        // Navigation and editing keys carry no text, or only a control byte.
        return n == 0 || (n == 1 && (static_cast<unsigned char>(t[0]) < 0x20 || t[0] == 0x7f));
    }
    static bool OnlyNumberChars(const char* t, int n) {
        for (int i = 0; i < n; ++i)
            if (t[i] != '-' && (t[i] < '0' || t[i] > '9')) return false;
        return true;
    }
    void Normalize() {
        Text rewritten = NormalizedInteger(value());
        if (rewritten != value()) value(rewritten.c_str());
    }
};

// Multi-line keyword box: wraps at its width, keeps a vertical scroll bar in
// place even when the text fits, so the wrap width never jumps.
class KeywordEditor : public Fl_Text_Editor {
public:
    KeywordEditor(int x, int y, int w, int h) : Fl_Text_Editor(x, y, w, h) {
        buffer(&buffer_);
        wrap_mode(WRAP_AT_BOUNDS, 0);
    }
    ~KeywordEditor() override { buffer(nullptr); }

    void resize(int X, int Y, int W, int H) override {
        Fl_Text_Editor::resize(X, Y, W, H);
        if (mVScrollBar->visible()) return;
        int sb = scrollbar_width() ? scrollbar_width() : Fl::scrollbar_size();
        // Lay the text out as if the bar were there, then put the bar back.
        Fl_Text_Editor::resize(X, Y, W - sb, H);
        Fl_Widget::resize(X, Y, W, H);
        if (mVScrollBar->visible()) {
            // Narrower text needed the bar after all: keep the full layout.
            Fl_Text_Editor::resize(X, Y, W, H);
            return;
        }
        mVScrollBar->resize(X + W - Fl::box_dx(box()) - sb, Y + Fl::box_dy(box()), sb, H - Fl::box_dh(box()));
        mVScrollBar->value(0, 1, 0, 1);
        mVScrollBar->set_visible();
    }

    Fl_Text_Buffer buffer_;
};

class FltkMainWindow : public MainWindow {
public:
    ~FltkMainWindow() override { delete window_; }

    Text GetText(Control box) override {
        Fl_Widget* w = Widget(box);
        if (!w) return {};
        if (auto* editor = dynamic_cast<KeywordEditor*>(w)) {
            char* utf8 = editor->buffer_.text();
            Text out = Utf8ToAnsi(utf8 ? utf8 : "");
            std::free(utf8);
            return out;
        }
        if (auto* input = dynamic_cast<Fl_Input*>(w)) return Utf8ToAnsi(input->value());
        return Utf8ToAnsi(w->label() ? w->label() : "");
    }
    void SetText(Control box, const Text& text) override {
        Fl_Widget* w = Widget(box);
        if (!w) return;
        Text utf8 = AnsiToUtf8(text);
        if (auto* editor = dynamic_cast<KeywordEditor*>(w)) {
            editor->buffer_.text(utf8.c_str());
        } else if (auto* input = dynamic_cast<Fl_Input*>(w)) {
            input->value(utf8.c_str());
        } else if (box == Control::标签_状态) {
            // "@" would start one of FLTK's label symbols; "@@" draws it.
            Text escaped;
            for (char c : utf8) escaped += c == '@' ? Text("@@") : Text(1, c);
            w->copy_label(escaped.c_str());
        } else {
            w->copy_label(utf8.c_str());
        }
        // A label draws on its parent's background; a shorter text must not
        // leave the old one's pixels behind.
        if (w->box() == FL_NO_BOX && window_) window_->damage(FL_DAMAGE_ALL, w->x(), w->y(), w->w(), w->h());
        w->redraw();
    }
    Text GetCaption(Control button) override { return GetText(button); }
    void SetCaption(Control button, const Text& caption) override { SetText(button, caption); }
    void SetEnabled(Control control, bool enabled) override {
        if (Fl_Widget* w = Widget(control)) enabled ? w->activate() : w->deactivate();
    }
    bool IsDisabled(Control control) override {
        Fl_Widget* w = Widget(control);
        return w && !w->active();
    }

    void ShowMessage(const Text& text) override { fl_alert("%s", AnsiToUtf8(text).c_str()); }

    void ProcessEvents() override {
        if (!closed_) Fl::check();
    }

    void WaitDispatching(int64_t due100ns) override {
        if (closed_) return;
        if (due100ns >= 0) {
            Fl::check();
            return;
        }
        // <chrono> cannot be compiled under the program's code page (its "µs"
        // has no GBK form), so the monotonic clock is read directly.
        double due = MonotonicSeconds() + static_cast<double>(-(due100ns / 10)) / 1e6;
        // Fl::wait sleeps in select() until an event arrives or the time left
        // has passed, so this loop never spins.
        while (!closed_) {
            double left = due - MonotonicSeconds();
            if (left <= 0) break;
            Fl::wait(left < 86400.0 ? left : 86400.0);
        }
    }

    bool IsClosed() override { return closed_; }

    int Run(const WindowEvents& events) override {
        events_ = events;
        OpenDisplay();
        // Lets other threads wake the loop (Fl::awake); the loop releases
        // the lock while it waits.
        Fl::lock();
        Build();
        window_->show();
        FixLegacyTitle();
        if (events_.created) events_.created();
        awake_.store(true);
        Fl::add_timeout(1.0, OnSecond, this);
        while (!closed_ && Fl::first_window()) Fl::wait(1e20);
        Fl::remove_timeout(OnSecond, this);
        awake_.store(false);
        closed_ = true;
        Fl::unlock();
        return 0;
    }

    void Wake() override {
        if (awake_.load()) Fl::awake(OnAwake, this);
    }

private:
    static void NoDisplay(const char* format, ...) {
        std::fprintf(stderr,
                     "pelko-monitor: cannot open the X display%s%s; run it on a desktop, or use --headless to "
                     "monitor without a window\n",
                     std::getenv("DISPLAY") ? " " : " (DISPLAY is not set)",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        (void)format;
        std::exit(1);
    }

    // FLTK's own message for a missing display names no way out.
    static void OpenDisplay() {
        auto saved = Fl::fatal;
        Fl::fatal = NoDisplay;
        fl_open_display();
        Fl::fatal = saved;
    }

    // FLTK stores the UTF-8 title in WM_NAME typed as Latin-1 STRING, which
    // tools that read WM_NAME show as mojibake; retype it as UTF8_STRING.
    void FixLegacyTitle() {
        ::Window xid = fl_xid(window_);
        if (!xid) return;
        Atom utf8 = XInternAtom(fl_display, "UTF8_STRING", False);
        const char* title = window_->label();
        auto* bytes = reinterpret_cast<const unsigned char*>(title);
        int n = static_cast<int>(std::strlen(title));
        XChangeProperty(fl_display, xid, XA_WM_NAME, utf8, 8, PropModeReplace, bytes, n);
        XChangeProperty(fl_display, xid, XA_WM_ICON_NAME, utf8, 8, PropModeReplace, bytes, n);
        XFlush(fl_display);
    }

    // A window manager adds its own frame around the client area, so the
    // window is given the layout's client size, not its outer size.
    void Build() {
        Fl::set_font(kUiFont, " WenQuanYi Micro Hei");
        Fl::scheme("gtk+");
        const LayoutSize client = WindowClientSize();
        window_ = new Fl_Double_Window(kWindowLeft, kWindowTop, client.w, client.h);
        window_->copy_label(AnsiToUtf8(WindowTitle()).c_str());
        window_->callback(OnClose, this);

        const auto rows = LayoutRows();
        widgets_.assign(rows.size(), nullptr);
        for (size_t i = 0; i < rows.size(); ++i) {
            const ControlRow& row = rows[i];
            const LayoutRect r = ClientRect(row);
            // FLTK's groups add widgets to the current group; place each one
            // in its own group box explicitly.
            Fl_Group* parent = window_;
            if (row.in)
                if (auto* g = dynamic_cast<Fl_Group*>(Widget(*row.in))) parent = g;
            Fl_Group::current(nullptr);
            Fl_Widget* w = Make(row.kind, r, AnsiToUtf8(row.caption).c_str());
            parent->add(w);
            widgets_[i] = w;
            if (row.raises) Wire(w, row.raises);
        }
        Fl_Group::current(nullptr);
        window_->end();
        // Fixed layout: no resizing.
        window_->size_range(client.w, client.h, client.w, client.h);
    }

    static Fl_Widget* Make(ControlKind kind, const LayoutRect& r, const char* text) {
        const int x = r.x, y = r.y, w = r.w, h = r.h;
        Fl_Widget* widget = nullptr;
        switch (kind) {
            case ControlKind::GroupBox: {
                auto* g = new GroupBox(x, y, w, h);
                g->end();
                g->copy_label(text);
                widget = g;
                break;
            }
            case ControlKind::Label: {
                auto* b = new Fl_Box(FL_NO_BOX, x, y, w, h, nullptr);
                b->copy_label(text);
                b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
                widget = b;
                break;
            }
            case ControlKind::EditBox:
            case ControlKind::NumberBox: {
                Fl_Input* in =
                    kind == ControlKind::NumberBox ? new NumberInput(x, y, w, h) : new CentredInput(x, y, w, h);
                in->textfont(kUiFont);
                in->textsize(kUiSize);
                widget = in;
                break;
            }
            case ControlKind::MultiLineEditBox: {
                auto* e = new KeywordEditor(x, y, w, h);
                e->end();
                e->textfont(kUiFont);
                e->textsize(kUiSize);
                e->box(FL_DOWN_BOX);
                widget = e;
                break;
            }
            case ControlKind::StatusText: {
                auto* b = new Fl_Box(FL_NO_BOX, x, y, w, h, nullptr);
                b->copy_label(text);
                b->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
                widget = b;
                break;
            }
            case ControlKind::Button: {
                auto* b = new Fl_Button(x, y, w, h, nullptr);
                b->copy_label(text);
                widget = b;
                break;
            }
        }
        widget->labelfont(kUiFont);
        widget->labelsize(kUiSize);
        return widget;
    }

    struct Target {
        FltkMainWindow* self;
        WindowEvent handler;
    };

    void Wire(Fl_Widget* button, WindowEvent handler) {
        targets_.push_back(std::make_unique<Target>(Target{this, handler}));
        button->callback(
            [](Fl_Widget*, void* data) {
                auto* t = static_cast<Target*>(data);
                auto& fn = t->self->events_.*(t->handler);
                if (fn) fn();
            },
            targets_.back().get());
    }

    static void OnSecond(void* data) {
        auto* self = static_cast<FltkMainWindow*>(data);
        Fl::repeat_timeout(1.0, OnSecond, data);
        if (self->events_.everySecond) self->events_.everySecond();
    }

    static void OnClose(Fl_Widget* w, void* data) {
        // Escape closes FLTK windows by default; this window closes only by
        // its frame, as users of the tool expect.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        auto* self = static_cast<FltkMainWindow*>(data);
        if (self->closed_) return;
        self->closed_ = true;
        if (self->events_.closing) self->events_.closing();
        self->awake_.store(false);
        w->hide();
    }

    static void OnAwake(void* data) {
        auto* self = static_cast<FltkMainWindow*>(data);
        if (self->events_.woken) self->events_.woken();
    }

    Fl_Widget* Widget(Control c) {
        size_t i = RowIndex(c);
        return i < widgets_.size() ? widgets_[i] : nullptr;
    }

    WindowEvents events_;
    Fl_Double_Window* window_ = nullptr;
    std::vector<Fl_Widget*> widgets_;  // by row of the layout
    std::vector<std::unique_ptr<Target>> targets_;
    bool closed_ = false;
    std::atomic<bool> awake_{false};  // Wake reaches the loop
};

}  // namespace

std::unique_ptr<MainWindow> CreateMainWindow() { return std::make_unique<FltkMainWindow>(); }

}  // namespace pelko
