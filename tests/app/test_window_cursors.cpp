// The cursors in the window: the trace menu's switches, the drag, the keys of cursor
// mode, the strip's readouts and Cursors.ini across a restart.
#include "app/window_fixture.h"
#include "toolkit/image_canvas.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "toolkit/win32/native.h"
#else
#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QMouseEvent>
#endif

namespace {

using namespace testing_support;

void Choose(duruz::MainWindow& window, const std::string& captionStart) {
    tk::PopupMenu& menu = window.TraceMenu();
    for (int item = 0; item < menu.Count(); ++item)
        if (menu.Caption(item).starts_with(captionStart))
            return menu.Choose(item);
    FAIL() << "no item " << captionStart;
}

enum class Mouse { Press, Move, Release };

// The left button's event at client coordinates, as the back end receives it.
void Send(duruz::MainWindow& window, Mouse what, int x, int y) {
#ifdef _WIN32
    const UINT message[] = {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP};
    SendMessageW(tk::HwndOf(window), message[int(what)], what == Mouse::Release ? 0 : MK_LBUTTON,
                 MAKELPARAM(x, y));
#else
    const QEvent::Type type[] = {QEvent::MouseButtonPress, QEvent::MouseMove,
                                 QEvent::MouseButtonRelease};
    const Qt::MouseButton button = what == Mouse::Move ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type[int(what)], QPointF(x, y), QPointF(x, y), button, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(tk::WidgetOf(window), &event);
#endif
}

// Time cursor 1 lies at x = 10 + 1501 * 512 / 2048 = 385. A press 4 pixels off picks it
// up and drags it to x = 700, sample 690 * 2048 / 1501 = 941 (drawn at x = 699), with
// no screen click; a press 5 pixels off that is the screen click. The arrows move cursors in cursor
// mode only.
TEST(WindowCursors, DragClickKeysAndReadouts) {
    WindowFixture fixture;
    duruz::MainWindow& window = fixture.Start();
    window.RedrawScreen();
    const auto before = window.Image().Pixels();
    Choose(window, "Time cursors");
    const tk::PopupMenu& menu = window.TraceMenu();
    int timeItem = 0;
    while (menu.Caption(timeItem) != "Time cursors")
        ++timeItem;
    EXPECT_TRUE(menu.Checked(timeItem) && !menu.Checked(timeItem + 1) &&
                menu.SubmenuOf(timeItem) == "Cursors");
    EXPECT_EQ(window.status.strip.Text(7).rfind(
                  "t1 5.000 ms  t2 15.00 ms  \u0394t 10.00 ms  1/\u0394t 100.0 Hz", 0),
              0u);
    EXPECT_FALSE(window.Image().Pixels() == before);
    Send(window, Mouse::Press, 389, 300);
    Send(window, Mouse::Move, 700, 300);
    Send(window, Mouse::Release, 700, 300);
    EXPECT_EQ(std::pair(window.Cursors().time[0], window.Screen().redrawDue),
              std::pair(941, false));
    Send(window, Mouse::Press, 694, 300);
    Send(window, Mouse::Release, 694, 300);
    EXPECT_EQ(std::pair(window.Cursors().time[0], window.Screen().redrawDue), std::pair(941, true));

    Choose(window, "Voltage cursors");
    window.KeyPress(tk::Key::Up);
    EXPECT_EQ(window.Cursors().volt[0], -1024);
    Choose(window, "Cursor mode");
    window.KeyPress(tk::Key::Up); // the selected time cursor is no horizontal line
    window.KeyPress(tk::Key::Left, true);
    EXPECT_EQ(std::tuple(window.Cursors().volt[0],
                         window.Cursors().time[0] + window.Cursors().time[1],
                         window.SelectedCursor()),
              std::tuple(-1025, 941 - 204 + 1536, duruz::CursorId::Time1));
    Choose(window, "Time cursors");
    Choose(window, "Voltage cursors");
    EXPECT_TRUE(window.Image().Pixels() == before && !window.status.strip.Shown(7));
}

// Positions and switches come back after a restart; a damaged file leaves the defaults,
// says why, and keeps its bytes at close.
TEST(WindowCursors, SavedBesideConfigIniAndADamagedFileIsKept) {
    WindowFixture fixture;
    Choose(fixture.Start(), "Voltage cursors read");
    Choose(*fixture.window, "Frequency cursor");
    fixture.window->Close();
    const std::string path = fixture.working.File("Cursors.ini");
    EXPECT_EQ(ReadFile(path), "TimeCursors=0\r\nVoltageCursors=0\r\nFrequencyCursor=1\r\n"
                              "VoltageChannel=2\r\nTime1=512\r\nTime2=1536\r\nVoltage1=-1024\r\n"
                              "Voltage2=1024\r\nXVoltage1=-1000\r\nXVoltage2=1000\r\n"
                              "FrequencyBin=20\r\n");
    duruz::CursorSettings saved;
    saved.voltChannel = 1;
    saved.frequencyOn = true;
    EXPECT_TRUE(fixture.Start().Cursors() == saved);

    const std::string damaged = "TimeCursors=1\r\nTime1=2048\r\n";
    std::ofstream(path, std::ios::binary) << damaged;
    fixture.Start().Close();
    EXPECT_TRUE(fixture.window->Cursors() == duruz::CursorSettings());
    EXPECT_NE(fixture.Shown().find("Cursors.ini could not be read (line 2: Time1 out of range): "
                                   "cursors start from their defaults; the file is kept as it "
                                   "is\n"),
              std::string::npos);
    EXPECT_NE(fixture.Shown().find("Cursors.ini could not be read at start: cursors not saved\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(path), damaged);
}

} // namespace
