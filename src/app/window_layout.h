// The main window's layout, shared by every toolkit backend: the title, one
// row per control (kind, place, caption, the event a button raises) and the
// window size that follows from the rows.  A backend only turns rows into its
// own widgets; a control added here appears in every window.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>

#include "app/window.h"
#include "textutil/text.h"

namespace pelko {

enum class ControlKind {
    GroupBox,          // frame with a caption; holds the rows placed in it
    Label,             // static text on the window's background
    EditBox,           // one line, centred, any text
    MultiLineEditBox,  // wraps at its width, vertical scroll bar, Enter breaks the line
    NumberBox,         // one line, centred; only "-" and digits, rewritten on leaving
    Button,
    StatusText,        // up to two lines set by the program, from the top left
};

// Pixels at 96 dpi.  A row's rectangle is relative to the group box it sits
// in, or to the window's client area for a row outside every group box.
struct LayoutRect {
    int x = 0, y = 0, w = 0, h = 0;
    constexpr int Right() const { return x + w; }
    constexpr int Bottom() const { return y + h; }
    friend constexpr bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct LayoutSize {
    int w = 0, h = 0;
    friend constexpr bool operator==(const LayoutSize&, const LayoutSize&) = default;
};

using WindowEvent = std::function<void()> WindowEvents::*;

struct ControlRow {
    Control control;
    ControlKind kind;
    std::optional<Control> in;  // the group box holding the row; none: the window
    LayoutRect rect;
    const char* caption;        // code page 936; empty for the boxes
    WindowEvent raises = nullptr;  // buttons: the handler a click runs
};

// The rows in creation order: a group box comes before the rows it holds, and
// the order of the focusable rows is the tab order.
std::span<const ControlRow> LayoutRows();

// The row of a control and its position in LayoutRows(); nullptr and
// LayoutRows().size() for a control without a row.
const ControlRow* FindRow(Control control);
size_t RowIndex(Control control);

// A row's rectangle in client-area coordinates (the offsets of the group
// boxes around it added up).
LayoutRect ClientRect(const ControlRow& row);

Text WindowTitle();
// Where the window's outer frame first appears on the screen.
constexpr int kWindowLeft = 50, kWindowTop = 50;
// The client area holds every row with a small margin on the right and below.
LayoutSize WindowClientSize();
// The client size inside a classic Windows frame (3 px borders on the left,
// right and bottom; 31 px for the caption bar with its top border): the size
// to create the window with where the toolkit counts the frame in.
LayoutSize WindowOuterSize();

}  // namespace pelko
