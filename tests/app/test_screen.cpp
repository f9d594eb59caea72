#include "app/form_fixture.h"
#include "toolkit/image_canvas.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace testing_support;

// A frame of `pairCount` pairs (header word 1) with channel 1 at +2047, channel 2 at -1000.
std::string Frame(std::uint32_t pairCount) {
    std::string frame = "xHxH" + std::string(reinterpret_cast<const char*>(&pairCount), 4);
    frame.resize(128);
    for (int i = 0; i < 2048; ++i)
        frame += std::string("\xFF\x07\x18\xFC", 4); // little-endian 0x07FF, 0xFC18
    return frame;
}

TEST(Timer1Timer, DrawsEachCompleteFrameWithTheCursorFromThePendingRequest) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.Port("Simulator");
    // The request from the port opening is pending: the next tick takes the frame.
    port.reads = {"", Frame(2048)};
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Busy);
    EXPECT_FALSE(form.Link.RequestPending);
    EXPECT_EQ(form.Plot.left, 10);
    EXPECT_EQ(form.Plot.width, 1501);
    EXPECT_EQ(form.Plot.height, 788);
    const QImage& image = form.Image().Image();
    // Channel 2 at -1000 lies at ((-1000 + 2047) * 788) / 4094 = 201, drawn in blue.
    EXPECT_EQ(image.pixel(700, 201), qRgb(0, 0, 255));
    // Channel 1 at +2047 lies on the area's bottom edge, y = 788, in red.
    EXPECT_EQ(image.pixel(700, 788), qRgb(255, 0, 0));

    // Next tick: idle on entry, so the default cursor and a new request.
    port.written.clear();
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Default);
    EXPECT_EQ(port.written, kCaptureRequest);
    EXPECT_TRUE(form.Link.RequestPending);
}

TEST(ScreenClick, DumpsTheFrameForcesARedrawAndRequestsAFrameEvenWithoutAFolder) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.Port("Simulator");
    port.reads = {"", Frame(3)};
    form.Timer1Timer();
    ASSERT_FALSE(form.Link.RequestPending);

    fixture.Mark();
    port.reads = {"stale bytes"};
    form.Click();
    EXPECT_TRUE(form.Capture.FrameReady);
    EXPECT_TRUE(form.Link.RequestPending);
    EXPECT_EQ(port.order, (Lines{"read 11", "read 0", "write " + kCaptureRequest}));
    const std::string dump = FormFixture::ReadFile(fixture.logPath);
    EXPECT_EQ(dump.rfind("Info2 48784878 3 ", 0), 0u) << dump.substr(0, 40);
    EXPECT_NE(dump.find("   2,  2047, -1000, 000007FF, FFFFFC18\r\n"), std::string::npos);
    // The next tick draws the frame held, covering the three lines.
    form.Timer1Timer();
    EXPECT_FALSE(form.Capture.FrameReady);

    // A dump folder that does not exist: no file, the rest still happens.
    FormFixture noFolder;
    noFolder.logPath = noFolder.folder + "/missing/Log.Txt";
    duruz::TForm2& other = noFolder.Start();
    noFolder.Mark();
    other.Click();
    EXPECT_FALSE(std::filesystem::exists(noFolder.logPath));
    EXPECT_EQ(noFolder.Port("Simulator").written, kCaptureRequest);
}

// A left click as the mouse gives it, at `at` in the widget's own coordinates. A
// press the widget ignores travels up to its parents, as it does on screen.
void LeftClick(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

TEST(ScreenClick, BelongsToTheTraceAreaAloneNotToTheControlStrip) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    form.Widget()->show();
    QApplication::processEvents();
    fixture.Mark();
    QWidget* strip = form.Controls.Widget();
    // The strip's background; the "Vertical" label at (8, 3), which lets the mouse
    // through to the strip; and the right margin of the first scope box, whose
    // 13-pixel indicator sits at its left.
    const std::pair<QWidget*, QPoint> clicks[] = {
        {strip, QPoint(1200, 50)},
        {strip, QPoint(12, 8)},
        {form.Scope1CheckBox.Widget(), QPoint(17, 8)},
    };
    for (const auto& [widget, at] : clicks)
        LeftClick(widget, at);
    QApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(fixture.logPath)) << "a strip click wrote the dump";
    EXPECT_EQ(fixture.Port("Simulator").written, "");
    EXPECT_TRUE(form.Scope1CheckBox.Checked());

    // The trace area itself still takes the click.
    LeftClick(form.Widget(), QPoint(700, 300));
    EXPECT_TRUE(std::filesystem::exists(fixture.logPath));
    EXPECT_EQ(fixture.Port("Simulator").written, kCaptureRequest);
}

} // namespace
