#include "toolkit/status_strip.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/win32/native.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace tk {

namespace {

constexpr int kMargin = 4;
constexpr int kSpacing = 8;

struct Section {
    int width;
    std::string text; // UTF-8
    Color color = 0x000000;
    std::string toolTip;
    bool shown = true;
};

struct StripState {
    HWND hwnd = nullptr;
    HWND tips = nullptr;
    std::vector<Section> sections;
};

StripState* StateOf(HWND hwnd) {
    return reinterpret_cast<StripState*>(GetPropW(hwnd, L"DuruzStrip"));
}

// Where each section lies; a hidden one is empty and takes no room.
std::vector<RECT> Layout(const StripState& strip) {
    RECT client{};
    GetClientRect(strip.hwnd, &client);
    std::vector<RECT> places;
    int x = kMargin;
    int lastShown = -1;
    for (std::size_t i = 0; i < strip.sections.size(); ++i)
        if (strip.sections[i].shown)
            lastShown = static_cast<int>(i);
    for (std::size_t i = 0; i < strip.sections.size(); ++i) {
        const Section& section = strip.sections[i];
        if (!section.shown) {
            places.push_back({x, 0, x, 0});
            continue;
        }
        const bool stretches = static_cast<int>(i) == lastShown;
        const int right =
            stretches ? std::max(x + section.width, static_cast<int>(client.right) - kMargin)
                      : x + section.width;
        places.push_back({x, 0, right, client.bottom});
        x = right + kSpacing;
    }
    return places;
}

// One tool a section, its rectangle following the layout.
void UpdateTips(StripState& strip) {
    const std::vector<RECT> places = Layout(strip);
    for (std::size_t i = 0; i < strip.sections.size(); ++i) {
        std::wstring text = Widen(strip.sections[i].toolTip, CP_UTF8);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = strip.hwnd;
        tool.uId = i + 1;
        tool.rect = places[i];
        tool.lpszText = text.data();
        SendMessageW(strip.tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        if (!text.empty() && strip.sections[i].shown)
            SendMessageW(strip.tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    InvalidateRect(strip.hwnd, nullptr, TRUE);
}

void Paint(HWND hwnd, StripState& strip) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::vector<RECT> places = Layout(strip);
    for (std::size_t i = 0; i < strip.sections.size(); ++i) {
        if (!strip.sections[i].shown)
            continue;
        RECT place = places[i];
        ::SetTextColor(dc, strip.sections[i].color);
        const std::wstring text = Widen(strip.sections[i].text, CP_UTF8);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &paint);
}

} // namespace

LRESULT CALLBACK StripProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    StripState* strip = StateOf(hwnd);
    if (strip != nullptr) {
        if (message == WM_PAINT) {
            Paint(hwnd, *strip);
            return 0;
        }
        if (message == WM_SIZE)
            UpdateTips(*strip);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct StatusStrip::Impl : StripState {};

StatusStrip::StatusStrip(Form& form, std::initializer_list<int> widths)
    : impl_(std::make_unique<Impl>()) {
    RegisterWindowClasses();
    for (int width : widths)
        impl_->sections.push_back(Section{width, {}, 0x000000, {}, true});
    impl_->hwnd = CreateWindowExW(0, kStripClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, kHeight,
                                  HwndOf(form), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (impl_->hwnd == nullptr)
        throw ToolkitError("The status strip could not be made.");
    impl_->tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  impl_->hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetPropW(impl_->hwnd, L"DuruzStrip", static_cast<StripState*>(impl_.get()));
    // The form places the strip under the client area from here on.
    ReserveBottomStrip(form, impl_->hwnd, kHeight);
}

StatusStrip::~StatusStrip() {
    if (IsWindow(impl_->hwnd)) {
        RemovePropW(impl_->hwnd, L"DuruzStrip");
        DestroyWindow(impl_->hwnd);
    }
}

int StatusStrip::Count() const {
    return static_cast<int>(impl_->sections.size());
}

void StatusStrip::SetText(int section, std::string_view text, Color color) {
    Section& place = impl_->sections.at(static_cast<std::size_t>(section));
    if (place.text == text && place.color == color)
        return;
    place.text = std::string(text);
    place.color = color;
    InvalidateRect(impl_->hwnd, nullptr, TRUE);
}

std::string StatusStrip::Text(int section) const {
    return impl_->sections.at(static_cast<std::size_t>(section)).text;
}

Color StatusStrip::TextColor(int section) const {
    return impl_->sections.at(static_cast<std::size_t>(section)).color;
}

void StatusStrip::SetToolTip(int section, std::string_view text) {
    impl_->sections.at(static_cast<std::size_t>(section)).toolTip = std::string(text);
    UpdateTips(*impl_);
}

std::string StatusStrip::ToolTip(int section) const {
    return impl_->sections.at(static_cast<std::size_t>(section)).toolTip;
}

void StatusStrip::SetShown(int section, bool shown) {
    impl_->sections.at(static_cast<std::size_t>(section)).shown = shown;
    UpdateTips(*impl_);
}

bool StatusStrip::Shown(int section) const {
    return impl_->sections.at(static_cast<std::size_t>(section)).shown;
}

} // namespace tk
