#include "toolkit/application.h"
#include "toolkit/backend_hooks.h"

#include "toolkit/win32/native.h"

#include <commctrl.h>
#include <objbase.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace tk {

namespace {

std::string& Title() {
    static std::string title;
    return title;
}

std::string& ProgramNameText() {
    static std::string name;
    return name;
}

DWORD& LoopThread() {
    static DWORD thread = 0;
    return thread;
}

std::wstring LocaleText(LCTYPE item) {
    wchar_t text[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 8) <= 0)
        return {};
    return text;
}

// A plain number in the C form: sign, digits, '.', digits, exponent; nothing else.
bool ReadPlain(std::string_view text, double& value) {
    if (text.empty() || text.find_first_not_of("+-0123456789.eE") != std::string_view::npos)
        return false;
    const char* first = text.data() + (text.front() == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Whether text is a number whose integer part has group separators in groups of three.
bool IsGrouped(std::string_view text, std::string_view group, std::string_view decimal) {
    if (group.empty() || text.find(group) == std::string_view::npos)
        return false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    std::string_view integer = text.substr(0, decimal.empty() ? text.npos : text.find(decimal));
    std::size_t groupStart = integer.find(group);
    if (groupStart == 0 || groupStart > 3)
        return false;
    integer.remove_prefix(groupStart);
    while (!integer.empty()) {
        if (integer.substr(0, group.size()) != group || integer.size() < group.size() + 3)
            return false;
        integer.remove_prefix(group.size());
        for (int i = 0; i < 3; ++i)
            if (!std::isdigit(static_cast<unsigned char>(integer[static_cast<std::size_t>(i)])))
                return false;
        integer.remove_prefix(3);
    }
    return true;
}

} // namespace

std::wstring Widen(std::string_view text, UINT codePage) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int made = MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), size);
    wide.resize(static_cast<std::size_t>(std::max(made, 0)));
    return wide;
}

std::string Narrow(std::wstring_view text, UINT codePage) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(needed, 0)), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

// A number with a group separator ("1,000", "40.000") is refused rather than read
// one way or the other. When the locale's own conversion fails, a '.' decimal point
// is taken too: the window's design texts ("1.00") and files written under another
// locale use it.
double StrToFloat(std::string_view text) {
    std::string_view trimmed = text;
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.front())))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
        trimmed.remove_suffix(1);
    const std::string decimal = Narrow(LocaleText(LOCALE_SDECIMAL), kCp1252);
    const std::string group = Narrow(LocaleText(LOCALE_STHOUSAND), kCp1252);
    double value = 0;
    bool ok = false;
    if (decimal == "." || trimmed.find('.') == std::string_view::npos) {
        std::string plain(trimmed);
        if (!decimal.empty() && decimal != ".")
            if (const std::size_t at = plain.find(decimal); at != std::string::npos)
                plain = plain.substr(0, at) + '.' + plain.substr(at + decimal.size());
        ok = ReadPlain(plain, value);
    }
    if (!ok && !IsGrouped(trimmed, group, decimal))
        ok = ReadPlain(trimmed, value);
    if (!ok || !std::isfinite(value))
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

namespace backend {

void ShowExceptionMessage(const std::string& message) {
    MessageBoxW(GetActiveWindow(), Widen(message, kCp1252).c_str(), Widen(Title(), kCp1252).c_str(),
                MB_OK | MB_ICONERROR);
}

std::string ProgramName() {
    return ProgramNameText();
}

} // namespace backend

// The Win32 back end takes no options of its own from the command line.
std::span<const ToolkitOption> ToolkitOptions() {
    return {};
}

struct Application::Impl {
    bool comStarted = false;
};

Application::Application(int&, char**, std::string_view name) : impl_(std::make_unique<Impl>()) {
    ProgramNameText() = std::string(name);
    LoopThread() = GetCurrentThreadId();
    // The imaging component and the file dialogs want COM on the window's thread.
    impl_->comStarted =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    RegisterWindowClasses();
}

Application::~Application() {
    if (impl_->comStarted)
        CoUninitialize();
}

namespace {

void Deliver(MSG& message) {
    if (RunShortcut(message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

} // namespace

int Application::Run() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return EXIT_FAILURE;
        Deliver(message);
    }
}

// A WM_QUIT met here is put back once the rest is handled, so the loop that runs
// next still ends. Left queued meanwhile, it would come first each time and keep the
// timers and the painting behind it waiting for good.
void Application::ProcessPendingEvents() {
    MSG message;
    std::optional<WPARAM> quit;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            quit = message.wParam;
        else
            Deliver(message);
    }
    if (quit)
        PostQuitMessage(static_cast<int>(*quit));
}

// Posted to the loop's thread, so a quit asked from another thread ends the loop too.
void Application::Quit() {
    PostThreadMessageW(LoopThread() != 0 ? LoopThread() : GetCurrentThreadId(), WM_QUIT, 0, 0);
}

void SetApplicationTitle(std::string_view title) {
    Title() = std::string(title);
}

std::string ApplicationTitle() {
    return Title();
}

} // namespace tk
