// The Win32 back end, driven through the messages Windows sends its windows.
#include "support/temp_folder.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/image_canvas.h"
#include "toolkit/image_export.h"
#include "toolkit/popup_menu.h"
#include "toolkit/standard_folders.h"
#include "toolkit/status_strip.h"
#include "toolkit/text_painter.h"
#include "toolkit/win32/native.h"

#include <gtest/gtest.h>
#include <wincodec.h>
#include <windows.h>

#include <cmath>
#include <thread>

namespace {

// Wine makes windows only with a display (Xvfb under the test script).
#define SKIP_WITHOUT_DISPLAY()                                                                     \
    if (!HasDisplay())                                                                             \
    GTEST_SKIP() << "Wine has no display to make windows on (run under Xvfb)"

bool HasDisplay() {
    try {
        tk::Form probe;
        return true;
    } catch (const tk::ToolkitError&) {
        return false;
    }
}

HWND Hwnd(const tk::Control& control) {
    return tk::HwndOf(control);
}

// Handles every message already posted to this thread; true when one was the quit.
bool Pump() {
    MSG message;
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        quit = quit || message.message == WM_QUIT;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return quit;
}

// The application object a test's message loop needs, with a command line of its own.
struct TestApplication {
    int argc = 1;
    char name[5] = "test";
    char* argv[2] = {name, nullptr};
    tk::Application application{argc, argv, "test"};
};

} // namespace

TEST(Win32Toolkit, ControlsFollowTheToolkitsRules) {
    SKIP_WITHOUT_DISPLAY();
    tk::Form form;
    tk::ListBox list(form);
    std::vector<std::pair<int, int>> clicked; // the row and the top row at each click
    list.OnClick = [&] { clicked.emplace_back(list.ItemIndex(), list.TopIndex()); };
    for (const char* row : {"XY Mode", "2 mSec/div", "\261240V"})
        list.Add(row);
    for (const int row : {1, 3, -2}) // by code: no handler; outside the rows: nothing
        list.SetItemIndex(row);
    EXPECT_EQ(std::pair(list.ItemIndex(), clicked.size()), std::pair(1, std::size_t(0)));
    for (const WPARAM key : {VK_UP, VK_UP, VK_DOWN, VK_ESCAPE}) // none before the first row
        SendMessageW(Hwnd(list), WM_KEYDOWN, key, 0);
    EXPECT_EQ(clicked, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    EXPECT_EQ(list.Item(2), "\261240V");

    tk::ScrollBar bar(form, tk::ScrollBar::Orientation::Vertical, -2000, 2000, 0);
    std::vector<int> seen;
    bar.OnChange = [&] { seen.push_back(bar.Position()); };
    for (int position : {0, 5000, -2500, -2000, 17}) // the first and fourth change nothing
        bar.SetPosition(position);
    SendMessageW(Hwnd(form), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(Hwnd(bar)));
    SendMessageW(Hwnd(form), WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(Hwnd(bar)));
    EXPECT_EQ(seen, (std::vector<int>{2000, -2000, 17, 18, 2000}));

    tk::CheckBox check(form, "Ch 1", false);
    int checks = 0;
    check.OnChange = [&] { ++checks; };
    check.SetChecked(false);
    check.SetChecked(true);
    SendMessageW(Hwnd(check), BM_CLICK, 0, 0); // the user clears it
    EXPECT_EQ(std::pair(check.Checked(), checks), std::pair(false, 2));

    tk::Memo memo(form);
    for (const char* text : {"W: 0 277 1511 899\r\n", "%S01  298    0\r", "a\r\nb"})
        memo.Add(text);
    EXPECT_EQ(memo.Lines(),
              (std::vector<std::string>{"W: 0 277 1511 899", "", "%S01  298    0\r", "a", "b"}));
    wchar_t shown[64] = {};
    GetWindowTextW(Hwnd(memo), shown, 64);
    EXPECT_EQ(std::wstring(shown), L"W: 0 277 1511 899\r\n\r\n%S01  298    0\r\na\r\nb");
    memo.Add(std::string(40000, 'x')); // past an edit's usual limit
    EXPECT_EQ(GetWindowTextLengthW(Hwnd(memo)), 41 + 2 + 40000);

    tk::EditBox edit(form, "1.00");
    int edits = 0;
    edit.OnChange = [&] { ++edits; };
    edit.SetNumbersOnly();
    SendMessageW(Hwnd(edit), EM_SETSEL, 4, 4);
    for (const wchar_t typed : {L'a', L'5', L'.'})
        SendMessageW(Hwnd(edit), WM_CHAR, typed, 0);
    const std::string typed = edit.Text();
    edit.SetText("\2611");
    edit.SetText("\2611");
    EXPECT_EQ(std::tuple(typed, edit.Text(), edits), std::tuple("1.005", "\2611", 2));
}

TEST(Win32Toolkit, TheFormsSizeMouseKeysCloseAndThreads) {
    SKIP_WITHOUT_DISPLAY();
    tk::Form form;
    form.SetClientSize(300, 120);
    tk::StatusStrip strip(form, {80, 40});
    form.SetWidth(320);
    EXPECT_EQ(std::tuple(form.ClientWidth(), form.ClientHeight(), form.FormWidth(),
                         form.FormHeight(), form.Image().Pixels().Height()),
              std::tuple(320, 120, 320, 120, 120));
    tk::ListBox list(form);
    list.SetBounds(0, 0, 50, 50);
    std::vector<std::string> events;
    form.OnClick = [&] { events.push_back("click"); };
    form.OnRightClick = [&](int x, int y) {
        events.push_back(std::to_string(x) + "," + std::to_string(y));
    };
    form.OnKey = [&](tk::Key key) { events.push_back("key " + std::to_string(int(key))); };
    form.OnLeftPress = [&](int x, int) { return x == 20; };
    form.OnDrag = [&](int x, int y) { events.push_back("drag " + std::to_string(x + y)); };
    form.OnDragEnd = [&](int x, int y) { events.push_back("end " + std::to_string(x + y)); };
    form.OnClose = [&] { events.push_back("close"); };
    SendMessageW(Hwnd(form), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 80));
    SendMessageW(Hwnd(form), WM_LBUTTONUP, 0, MAKELPARAM(150, 80));
    SendMessageW(Hwnd(form), WM_RBUTTONUP, 0, MAKELPARAM(5, 6)); // no press before: nothing
    SendMessageW(Hwnd(form), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 9));
    SendMessageW(Hwnd(form), WM_RBUTTONUP, 0, MAKELPARAM(7, 9));
    SendMessageW(Hwnd(form), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(Hwnd(form), WM_LBUTTONUP, 0, MAKELPARAM(10, 130));        // released on the strip
    SendMessageW(Hwnd(form), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 3)); // no press: no drag
    SendMessageW(Hwnd(form), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    SendMessageW(Hwnd(form), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 10));
    SendMessageW(Hwnd(form), WM_LBUTTONUP, 0, MAKELPARAM(50, 10));
    SendMessageW(Hwnd(form), WM_KEYDOWN, VK_END, 0);
    SendMessageW(Hwnd(form), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(Hwnd(form), WM_KEYDOWN, 'A', 0);
    std::thread([&form, &events] {
        form.RunOnWindowThread([&] { events.push_back("task"); });
    }).join();
    EXPECT_FALSE(Pump());
    tk::Timer timer(form, 1);
    timer.OnTimer = [&] {
        events.push_back("tick");
        timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    for (MSG message; timer.Enabled() && GetMessageW(&message, nullptr, 0, 0) > 0;)
        DispatchMessageW(&message);
    // The window shows the canvas's pixels; closing the last window shown ends the loop.
    form.GetCanvas().SetPenColor(0x0000FF);
    form.GetCanvas().MoveTo(0, 5);
    form.GetCanvas().LineTo(300, 5);
    ShowWindow(Hwnd(form), SW_SHOWNA);
    UpdateWindow(Hwnd(form));
    HDC dc = GetDC(Hwnd(form));
    const std::pair shown(GetPixel(dc, 299, 5), GetPixel(dc, 300, 5));
    ReleaseDC(Hwnd(form), dc);
    EXPECT_EQ(shown, std::pair(COLORREF(0x0000FF), COLORREF(0xF0F0F0)));
    // The strip's second section starts after the first's width, or where the first
    // starts while that is hidden.
    const auto firstInk = [&form] {
        HWND window = ChildWindowFromPoint(Hwnd(form), POINT{300, 130});
        UpdateWindow(window);
        HDC strip = GetDC(window);
        int first = -1;
        for (int x = 0; x < 320 && first < 0; ++x)
            for (int y = 0; y < tk::StatusStrip::kHeight && first < 0; ++y)
                first = GetPixel(strip, x, y) != GetSysColor(COLOR_BTNFACE) ? x : -1;
        ReleaseDC(window, strip);
        return first;
    };
    strip.SetText(1, "IIII");
    const int shownFirst = firstInk();
    strip.SetShown(0, false);
    EXPECT_EQ(std::pair(shownFirst >= 92, shownFirst - firstInk()), std::pair(true, 88));
    form.Close();
    form.Close();
    EXPECT_TRUE(Pump());
    // Shown again, it closes again.
    form.ShowAndRaise();
    EXPECT_TRUE(IsWindowVisible(Hwnd(form)) != 0);
    form.Close();
    EXPECT_TRUE(Pump());
    // Shown maximized, as the program shows its window, it closes the loop too.
    form.ShowMaximized();
    form.Close();
    EXPECT_TRUE(Pump());
    EXPECT_EQ(events, (std::vector<std::string>{"click", "7,9", "drag 50", "end 60", "key 3",
                                                "key 7", "task", "tick", "close", "close"}));
}

TEST(Win32Toolkit, TextIsDrawnWithoutAntialiasingInTheFontColour) {
    tk::PixelBuffer pixels(60, 30, 0xFFFFFFFF);
    auto painter = tk::MakeTextPainter();
    painter->SetFont("Tahoma", 11);
    painter->Draw(pixels, -2, 10, "XY 20mV", 0xFF123456);
    int painted = 0, other = 0, outside = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x)
            if (pixels.At(x, y) == 0xFF123456)
                painted += 1, outside += y < 10 || y >= 10 + 14;
            else
                other += pixels.At(x, y) != 0xFFFFFFFF;
    EXPECT_GT(painted, 40);
    EXPECT_EQ(std::pair(other, outside), std::pair(0, 0));
}

// What the PNG holds is read back through the imaging component itself.
TEST(Win32Toolkit, ThePngHoldsThePartsPixelsAndAFailureItsReason) {
    testing_support::TempFolder folder;
    tk::PixelBuffer picture(5, 4, 0xFF000000);
    for (int i = 0; i < 20; ++i)
        picture.Row(i / 5)[i % 5] = 0xFF000000u | (0x0A0B0Cu * static_cast<unsigned>(i));
    const std::string path = folder.File("screen.png");
    ASSERT_TRUE(tk::SaveImagePng(picture, {1, 1, 3, 4}, path).Ok());
    const duruz::Status missing = tk::SaveImagePng(picture, {0, 0, 5, 4}, folder.File("no/x.png"));
    EXPECT_FALSE(missing.Ok());
    EXPECT_NE(missing.Reason(), "");

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                              CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
    const std::wstring wide(path.begin(), path.end());
    ASSERT_HRESULT_SUCCEEDED(factory->CreateDecoderFromFilename(
        wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder));
    ASSERT_HRESULT_SUCCEEDED(decoder->GetFrame(0, &frame));
    factory->CreateFormatConverter(&converter);
    converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                          WICBitmapPaletteTypeCustom);
    UINT width = 0, height = 0;
    converter->GetSize(&width, &height);
    std::vector<tk::Pixel> read(12);
    converter->CopyPixels(nullptr, 12, 48, reinterpret_cast<BYTE*>(read.data()));
    std::vector<tk::Pixel> expected; // the rows from (1,1), the last one below the picture
    for (int y = 1; y < 5; ++y)
        for (int x = 1; x < 4; ++x)
            expected.push_back(y < 4 ? picture.At(x, y) : 0xFF000000);
    EXPECT_EQ(std::tuple(width, height, read), std::tuple(3u, 4u, expected));
    for (IUnknown* used : std::initializer_list<IUnknown*>{converter, frame, decoder, factory})
        used->Release();
}

TEST(Win32Toolkit, ClipboardAndShortcutsReachWindowsOwnMessages) {
    SKIP_WITHOUT_DISPLAY();
    tk::PixelBuffer picture(3, 2, 0xFF000000);
    picture.Row(0)[0] = 0xFF112233;
    tk::CopyImageToClipboard(picture, {0, 0, 3, 2});
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE memory = GetClipboardData(CF_DIB);
    ASSERT_NE(memory, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(memory));
    const auto* bits = reinterpret_cast<const tk::Pixel*>(header + 1);
    // Bottom row first: the top-left pixel starts the second row of three.
    EXPECT_EQ(std::tuple(header->biWidth, header->biHeight, header->biBitCount, bits[3] & 0xFFFFFF),
              std::tuple(3L, 2L, WORD(32), 0x112233u));
    GlobalUnlock(memory);
    CloseClipboard();

    TestApplication test;
    tk::Form form;
    tk::EditBox edit(form, "");
    tk::PopupMenu menu(form);
    std::string chosen;
    menu.Add("Save screen as PNG\u2026", "Ctrl+S", [&] { chosen += "S"; });
    menu.Add("Copy screen", "Ctrl+C", [&] { chosen += "C"; });
    menu.Add("Record", "Ctrl+R", [&] { chosen += "R"; });
    menu.SetEnabled(2, false);
    menu.BeginSubmenu("Averaging");
    menu.Add("Next", "Ctrl+G", [&] { chosen += "G"; });
    menu.EndSubmenu();
    menu.SetChecked(3, true);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    for (const auto& [window, key] :
         {std::pair(Hwnd(form), 'S'), std::pair(Hwnd(form), 'R'), std::pair(Hwnd(edit), 'C'),
          std::pair(Hwnd(form), 'C'), std::pair(Hwnd(form), 'G')})
        PostMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(key), 0);
    tk::Application::Quit();
    EXPECT_EQ(test.application.Run(), 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(std::tuple(chosen, menu.Shortcut(0)), std::tuple("SCG", "Ctrl+S"));
    EXPECT_EQ(menu.SubmenuOf(3) + "|" + menu.SubmenuOf(2), "Averaging|");
    EXPECT_TRUE(menu.Checked(3) && !menu.Checked(2));
}

// A quit asked while no loop runs ends the next loop; handling what is pending before
// then still runs the timers due, which the quit's message would otherwise block.
TEST(Win32Toolkit, AQuitAskedOutsideTheLoopLetsTimersRunAndEndsTheNextLoop) {
    SKIP_WITHOUT_DISPLAY();
    TestApplication test;
    tk::Form form;
    tk::Timer timer(form, 1);
    timer.OnTimer = [&timer] { timer.SetEnabled(false); };
    timer.SetEnabled(true);
    tk::Application::Quit();
    for (int i = 0; i < 500 && timer.Enabled(); ++i) {
        Sleep(2);
        tk::Application::ProcessPendingEvents();
    }
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(test.application.Run(), 0);
}

// The locale's own separators decide; these rows hold for a '.' decimal point.
TEST(Win32Toolkit, NumbersFollowTheLocale) {
    wchar_t decimal[8] = {}, group[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, group, 8);
    if (std::wstring(decimal) != L"." || std::wstring(group) != L",")
        GTEST_SKIP() << "the rows are for a locale with '.' and ',' (as Wine's en-US)";
    for (const auto& [text, value] :
         std::initializer_list<std::pair<const char*, double>>{{" 200.5 ", 200.5},
                                                               {"1,000", NAN},
                                                               {"1,5", NAN},
                                                               {"-1.00", -1.0},
                                                               {"1e3", 1000.0},
                                                               {"", NAN},
                                                               {"nan", NAN},
                                                               {"inf", NAN},
                                                               {"12,345.5", NAN},
                                                               {"0x10", NAN}}) {
        SCOPED_TRACE(text);
        if (std::isnan(value))
            EXPECT_THROW(tk::StrToFloat(text), tk::ConversionError);
        else
            EXPECT_DOUBLE_EQ(tk::StrToFloat(text), value);
    }
}

// Only the toolkit's own errors keep their message; the loop goes on after each.
TEST(Win32Toolkit, EscapingErrorsAreReportedAndTheUsersFoldersKnown) {
    std::vector<std::string> reported;
    tk::SetExceptionReporter([&](const std::string& message) { reported.push_back(message); });
    tk::Dispatch([] { tk::StrToFloat("abc"); });
    tk::Dispatch([] { throw std::runtime_error("not the toolkit's"); });
    tk::Dispatch([] { throw 42; });
    const int status = tk::ExitStatusOf([]() -> int { throw tk::ToolkitError("lost"); });
    tk::SetExceptionReporter(nullptr);
    EXPECT_EQ(std::tuple(reported, status, tk::ExitStatusOf([] { return 3; })),
              std::tuple(std::vector<std::string>{"'abc' is not a valid floating point value", "",
                                                  "", "lost"},
                         EXIT_FAILURE, 3));
    for (const std::string& folder : {tk::DownloadsFolder(), tk::PicturesFolder()})
        EXPECT_EQ(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
                  DWORD(FILE_ATTRIBUTE_DIRECTORY))
            << folder;
}
