#pragma once

#include "e2e/child_process.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// An RGB picture of a window.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // 3 bytes a pixel, row after row

    // 0xRRGGBB of the pixel, or -1 outside the picture.
    long Pixel(int x, int y) const;
};

struct WindowPlace {
    std::string id;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// An X server of its own (Xvfb, no window manager, so a window sits exactly where
// it asks to be and has no frame), with screenshots by ImageMagick's import and
// mouse clicks by xdotool.
class VirtualDisplay {
public:
    // Whether Xvfb, import and xdotool are installed.
    static bool ToolsAvailable();

    VirtualDisplay();
    ~VirtualDisplay();

    bool Ok() const { return !name_.empty(); }
    const std::string& Name() const { return name_; } // ":N"

    // The visible top-level window whose title starts with the text.
    std::optional<WindowPlace> FindWindow(const std::string& titleStart,
                                          std::chrono::milliseconds timeout) const;
    std::optional<Screenshot> Capture(const WindowPlace& window) const;
    // A left click at a point of the window.
    bool Click(const WindowPlace& window, int x, int y) const;

private:
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
};

} // namespace e2e
