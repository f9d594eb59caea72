#include "app/form_fixture.h"
#include "toolkit/image_canvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing_support::FormFixture;

// A frame whose channel 1 sits at +2047 (the bottom edge) and channel 2 at -1000.
std::string Frame(std::uint32_t pairCount) {
    std::string frame(8320, '\0');
    std::memcpy(frame.data(), "xHxH", 4);
    std::memcpy(frame.data() + 4, &pairCount, 4);
    for (int i = 0; i < 2048; ++i) {
        const std::int16_t pair[2] = {2047, -1000};
        std::memcpy(frame.data() + 128 + 4 * i, pair, 4);
    }
    return frame;
}

TEST(Timer1Timer, DrawsEachCompleteFrameWithTheCursorFromThePendingRequest) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.ports.Port("Simulator");
    // The request from the port opening is pending: the next tick takes the frame.
    port.reads = {"", Frame(2048)};
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Hourglass);
    EXPECT_FALSE(form.Link.RequestPending);
    EXPECT_EQ(form.Plot.left, 10);
    EXPECT_EQ(form.Plot.width, 1501);
    EXPECT_EQ(form.Plot.height, 788);

    const QImage& image = form.Image().Image();
    // Channel 2 at -1000 lies at ((-1000 + 2047) * 788) / 4094 = 201, drawn in blue.
    EXPECT_EQ(image.pixel(700, 201), qRgb(0, 0, 255));
    // Channel 1 at +2047 lies on the area's bottom edge, y = 788, in red.
    EXPECT_EQ(image.pixel(700, 788), qRgb(255, 0, 0));

    // Next tick: idle on entry, so the default cursor and a new request after the drain.
    port.written.clear();
    form.Timer1Timer();
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Default);
    EXPECT_EQ(port.written, "%z\r\n");
    EXPECT_TRUE(form.Link.RequestPending);
}

TEST(ScreenClick, DumpsTheFrameForcesARedrawAndRequestsAFrameEvenWithoutAFolder) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    auto& port = fixture.ports.Port("Simulator");
    port.reads = {"", Frame(3)};
    form.Timer1Timer();
    ASSERT_FALSE(form.Link.RequestPending);

    port.written.clear();
    port.reads = {"stale bytes"};
    form.Click();
    EXPECT_TRUE(form.Capture.FrameReady);
    EXPECT_TRUE(form.Link.RequestPending);
    EXPECT_EQ(port.written, "%z\r\n");
    EXPECT_TRUE(port.reads.empty()) << "the stale input was drained before the request";

    const std::string dump = fixture.ReadFile(fixture.logPath);
    EXPECT_EQ(dump.rfind("Info2 48784878 3 ", 0), 0u) << dump.substr(0, 40);
    EXPECT_NE(dump.find("   2,  2047, -1000, 000007FF, FFFFFC18\r\n"), std::string::npos);

    // The next tick draws the frame held, covering the three lines.
    form.Timer1Timer();
    EXPECT_FALSE(form.Capture.FrameReady);

    // A dump folder that does not exist: no file, the rest still happens.
    FormFixture noFolder;
    noFolder.logPath = noFolder.folder + "/missing/Log.Txt";
    duruz::TForm2& other = noFolder.Start();
    auto& otherPort = noFolder.ports.Port("Simulator");
    otherPort.written.clear();
    other.Click();
    EXPECT_FALSE(std::filesystem::exists(noFolder.logPath));
    EXPECT_EQ(otherPort.written, "%z\r\n");
}

} // namespace
