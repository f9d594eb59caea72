#pragma once

#include "toolkit/canvas.h"

#include <memory>
#include <string>
#include <string_view>

namespace tk {

class Form;

// A line of text sections along the bottom of the window, outside its client
// area. Texts here are UTF-8: they are the strip's own, not the form's resources.
class StatusStrip {
public:
    static constexpr int kHeight = 22;

    // Sections of the given widths in pixels, left to right; the last one shown
    // stretches over the room left.
    StatusStrip(Form& form, std::initializer_list<int> widths);
    ~StatusStrip();

    int Count() const;
    void SetText(int section, std::string_view text, Color color = 0x000000);
    std::string Text(int section) const;
    Color TextColor(int section) const;
    void SetToolTip(int section, std::string_view text);
    std::string ToolTip(int section) const;
    // A hidden section takes no room: the sections after it move left.
    void SetShown(int section, bool shown);
    bool Shown(int section) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tk
