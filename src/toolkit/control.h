#pragma once

#include "toolkit/canvas.h"

#include <string_view>

namespace tk {

// The back end's object behind a control (a Qt widget, a Windows window); only the
// back end knows its type.
struct NativeControl;

// Texts passed to and from the toolkit are single-byte Windows-1252 strings, the
// character set the application's own texts are written in; the toolkit converts
// them to and from the back end's own at its edge.

// Base of every control: a thin handle on the back end's object behind it.
class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void SetBounds(int left, int top, int width, int height);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;

    // Whether the control is set to show (true even while its window is not on screen).
    bool Visible() const;
    void SetVisible(bool visible);
    void SetEnabled(bool enabled);
    void SetHint(std::string_view hint);
    void SetFont(std::string_view family, int pixelHeight);
    void SetTextColor(Color color);
    void SetTabStop(bool tabStop);

    NativeControl* Native() const { return native_; }

protected:
    explicit Control(NativeControl* native);

private:
    NativeControl* native_;
};

} // namespace tk
