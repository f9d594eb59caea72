#pragma once

#include "toolkit/canvas.h"
#include "toolkit/control.h"
#include "toolkit/controls.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tk {

// Busy: work is under way and the window stays usable. Hourglass: the window waits.
enum class Cursor { Default, Busy, Hourglass };

// The keys the window's free area takes while it has the focus.
enum class Key { Left, Right, Home, End, Space, Escape, Up, Down };

class ImageCanvas;
class FormCanvas;

// The one window. Its canvas paints into a pixel buffer that the window shows in its
// paint event, so a window that was covered repaints with the last picture.
class Form : public Control {
public:
    Form();
    ~Form() override;

    void SetCaption(std::string_view caption);
    std::string Caption() const;

    void SetClientSize(int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    // The window's position (outer top-left corner) and size (its client area).
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    int FormLeft() const;
    int FormTop() const;
    int FormWidth() const;
    int FormHeight() const;

    void SetCursor(Cursor cursor);
    Cursor CurrentCursor() const { return cursor_; }

    // Runs the task on the window's thread: at once when called there, otherwise
    // from the message loop. Safe to call from any thread while the window lives.
    void RunOnWindowThread(std::function<void()> task);

    // Drawing on the window; it shows at the next paint.
    Canvas& GetCanvas();
    // The picture behind the canvas, for screenshots and tests.
    ImageCanvas& Image();
    void ShowMaximized();
    // Shows the window, restored if it was minimised, in front of the others; after a
    // close, the next close runs OnClose again.
    void ShowAndRaise();
    // What closing the window does: runs OnClose, then closes it.
    void Close();
    // What a click on the window's free area does.
    void Click();
    // What a right click on the window's free area does, at client coordinates.
    void RightClick(int x, int y);
    // What a key does while the window's free area has the focus, which a click on
    // the area gives it; a focused control keeps its own keys.
    // With shift, a key pressed with Shift held and no other modifier: OnShiftKey's.
    void KeyPress(Key key, bool shift = false);
    // Gives the free area the focus, as a click on it does.
    void FocusFreeArea();
    // The left button on the free area, at client coordinates. A press that
    // OnLeftPress takes (returns true for) starts a drag: the moves with the button
    // held reach OnDrag and the release OnDragEnd, and no click follows. A press it
    // leaves ends in a click as before.
    void LeftPress(int x, int y);
    void PointerMove(int x, int y);
    // True when the release ended a drag, so it is no click.
    bool LeftRelease(int x, int y);

    Handler OnClick;
    std::function<void(int x, int y)> OnRightClick;
    std::function<void(Key key)> OnKey;
    std::function<void(Key key)> OnShiftKey;
    std::function<bool(int x, int y)> OnLeftPress;
    std::function<void(int x, int y)> OnDrag;
    std::function<void(int x, int y)> OnDragEnd;
    Handler OnClose;
    Handler OnResize;
    // Runs when the window's outer corner moves.
    Handler OnMove;

private:
    std::unique_ptr<ImageCanvas> canvas_;
    std::unique_ptr<FormCanvas> formCanvas_;
    Cursor cursor_ = Cursor::Default;
    bool dragging_ = false;
};

// The timer: OnTimer runs every Interval() ms while enabled, from the message loop.
class Timer {
public:
    explicit Timer(Form& owner, int intervalMs);
    ~Timer();
    int Interval() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void Fire(); // what one expiry does
    Handler OnTimer;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tk
