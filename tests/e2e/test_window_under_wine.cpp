// The real duruz.exe as a child process, on the Win32 back end, with duruz-sim
// behind a COM port that Wine maps to its pseudo-terminal: the window opens, draws
// the simulator's frames, sends the range a click on the range list picks, and
// writes Config.Ini when closed. Checked from the outside: the window's pixels, the
// bytes duruz-sim logs (--log), the file's bytes. scripts/test-windows.sh sets the
// port up and names the program, the port and the log in DURUZ_E2E_PROGRAM,
// DURUZ_E2E_PORT and DURUZ_E2E_SIM_LOG (Windows paths).

#include "support/temp_folder.h"
#include "view/trace_colors.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Polls every 50 ms; true when the condition held before the time was up.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    return condition();
}

// The shown main window of the process: a form captioned "RORU-Duruz Rev ...".
HWND FindMainWindow(DWORD processId) {
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, L"DuruzForm", nullptr));) {
        DWORD owner = 0;
        wchar_t caption[128] = {};
        GetWindowThreadProcessId(hwnd, &owner);
        GetWindowTextW(hwnd, caption, 128);
        if (owner == processId && IsWindowVisible(hwnd) &&
            std::wstring(caption).starts_with(L"RORU-Duruz Rev "))
            return hwnd;
    }
    return nullptr;
}

// The child of `parent`'s descendants of this class whose top-left corner lies at
// (x, y) in its own parent's client area.
HWND ChildAt(HWND parent, const wchar_t* windowClass, int x, int y) {
    for (HWND child = nullptr; (child = FindWindowExW(parent, child, nullptr, nullptr));) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        RECT box;
        GetWindowRect(child, &box);
        MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
        if (std::wstring(name) == windowClass && box.left == x && box.top == y)
            return child;
        if (HWND inner = ChildAt(child, windowClass, x, y))
            return inner;
    }
    return nullptr;
}

// The client area's pixels as 0x00RRGGBB, top row first, read from the window's DC.
std::vector<DWORD> ClientPixels(HWND hwnd, int width, int height) {
    std::vector<DWORD> pixels(std::size_t(width) * std::size_t(height));
    HDC windowDc = GetDC(hwnd), memoryDc = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDc, bitmap);
    if (BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY))
        std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memoryDc, old);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    ReleaseDC(hwnd, windowDc);
    return pixels;
}

// A trace of this colour (0x00BBGGRR) is drawn across the area above `bottom`
// right of `left`: it has a pixel in nine columns of ten, and it is no flat line,
// which is all a window shows before its first frame (the simulator's demo
// signals are a square wave and a sine).
bool TraceDrawn(const std::vector<DWORD>& pixels, int width, int left, int bottom,
                tk::Color color) {
    const DWORD rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
    int columns = 0, top = bottom, lowest = 0;
    for (int x = left; x < width; ++x) {
        bool found = false;
        for (int y = 0; y < bottom; ++y)
            if ((pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] & 0xFFFFFF) == rgb)
                found = true, top = std::min(top, y), lowest = std::max(lowest, y);
        columns += found;
    }
    return columns * 10 >= (width - left) * 9 && lowest - top >= 20;
}

// The capture requests the program repeats all the time, left out of the bytes.
std::string WithoutRequests(std::string bytes) {
    for (std::size_t at; (at = bytes.find("%z\r\n")) != std::string::npos;)
        bytes.erase(at, 4);
    return bytes;
}

TEST(WindowUnderWine, OpensDrawsFramesSendsTheClickedRangeAndWritesConfigIniOnClose) {
    const char* program = std::getenv("DURUZ_E2E_PROGRAM");
    const char* port = std::getenv("DURUZ_E2E_PORT");
    const char* simLog = std::getenv("DURUZ_E2E_SIM_LOG");
    if (program == nullptr || port == nullptr || simLog == nullptr)
        GTEST_SKIP() << "DURUZ_E2E_PROGRAM, DURUZ_E2E_PORT and DURUZ_E2E_SIM_LOG are not set: "
                        "scripts/test-windows.sh runs this with duruz-sim behind a COM port";
    const testing_support::TempFolder folder("duruz-window-e2e");

    std::string commandLine = std::string("\"") + program + "\" --port " + port;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.Path().c_str(), &startup, &process))
        << "cannot start " << program << ": error " << GetLastError();
    struct Ending { // the program goes with the test, whatever fails
        PROCESS_INFORMATION& process;
        ~Ending() {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    } ending{process};

    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindMainWindow(process.dwProcessId)); }, 30s))
        << "no visible window captioned \"RORU-Duruz Rev ...\" within 30 s";
    // The control strip's range list of channel 1 lies at (100, 40) in the strip,
    // which runs along the bottom of the trace area.
    HWND rangeList = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (rangeList = ChildAt(window, L"DuruzSpinList", 100, 40)); }, 10s))
        << "no range list at (100, 40) of the control strip";
    // The window takes its saved size after it appears: its geometry is read anew
    // each time. The trace area lies right of the 10-pixel level bar, above the strip.
    const auto framesDrawn = [&] {
        RECT client, strip;
        GetClientRect(window, &client);
        GetWindowRect(GetParent(rangeList), &strip);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&strip), 2);
        // Read at two moments of a window that may be resizing: the rows looked at
        // stay within the picture taken.
        const int bottom = std::min<int>(strip.top, client.bottom);
        if (client.right <= 10 || bottom <= 0)
            return false;
        const std::vector<DWORD> pixels = ClientPixels(window, client.right, client.bottom);
        return TraceDrawn(pixels, client.right, 10, bottom, duruz::kTraceColors[0]) &&
               TraceDrawn(pixels, client.right, 10, bottom, duruz::kTraceColors[1]);
    };
    ASSERT_TRUE(WaitFor(framesDrawn, 30s))
        << "no red and blue traces across the trace area within 30 s";

    // A click on the list's upper arrow steps channel 1 from its narrowest range
    // (row 7, the first run's) to row 6: "%X6\r" goes out, and nothing else but
    // capture requests.
    const std::size_t before = testing_support::ReadFile(simLog).size();
    RECT list;
    GetClientRect(rangeList, &list);
    const LPARAM upperArrow = MAKELPARAM(list.right - 4, 3);
    PostMessageW(rangeList, WM_LBUTTONDOWN, MK_LBUTTON, upperArrow);
    PostMessageW(rangeList, WM_LBUTTONUP, 0, upperArrow);
    const auto sent = [&] {
        return WithoutRequests(testing_support::ReadFile(simLog).substr(before));
    };
    EXPECT_TRUE(WaitFor([&] { return !sent().empty(); }, 10s))
        << "duruz-sim received no command within 10 s of the click";

    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0)
        << "the program did not end within 20 s of WM_CLOSE";
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(sent(), "%X6\r");
    // Config.Ini's lines: key, space, value, 16 spaces of padding, CR LF; the port
    // line ends with the port's name.
    const std::string config = testing_support::ReadFile(folder.File("Config.Ini"));
    EXPECT_NE(config.find("\r\nProb1 1                \r\nScal1 6                \r\nProb2 1"),
              std::string::npos)
        << config;
    EXPECT_NE(config.find(std::string("                ") + port + "\r\n"), std::string::npos)
        << config;
}

} // namespace
