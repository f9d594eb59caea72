#pragma once

#include "toolkit/controls.h"

#include <memory>
#include <vector>

namespace duruz {

constexpr tk::Color kCoral = 0x507FFF;     // web colour coral, as 0x00BBGGRR: channel 1 and A
constexpr tk::Color kLightBlue = 0xE6D8AD; // web colour light blue: channel 2 and B
constexpr tk::Color kLabelText = 0x000000;
// The height of the strip's one-row lists.
constexpr int kListHeight = 17;

// A panel's titles and row and column labels on the control strip: read-only boxes
// that no code touches once placed.
class StripLabels {
public:
    explicit StripLabels(tk::Panel& strip) : strip_(strip) {}
    void Add(const char* text, int x, int y, int width, tk::Color color = kLabelText) {
        auto box = std::make_unique<tk::EditBox>(strip_, text);
        box->MakeLabel(color);
        box->SetBounds(x, y, width, 16);
        boxes_.push_back(std::move(box));
    }

private:
    tk::Panel& strip_;
    std::vector<std::unique_ptr<tk::EditBox>> boxes_;
};

} // namespace duruz
