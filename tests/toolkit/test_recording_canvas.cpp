#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

TEST(RecordingCanvas, KeepsEveryCallWithTheColourInForce) {
    tk::RecordingCanvas canvas;
    canvas.SetPenColor(0x808080);
    canvas.MoveTo(1, 2);
    canvas.LineTo(3, 4);
    canvas.SetFontColor(0x0000FF);
    canvas.TextOut(20, 24, "  19.2 V");
    canvas.SetPenColor(0x00FF00);
    canvas.LineTo(5, 6);

    ASSERT_EQ(canvas.Calls().size(), 7u);
    const auto grey = canvas.LinesIn(0x808080);
    ASSERT_EQ(grey.size(), 1u);
    EXPECT_EQ(grey[0].x, 3);
    EXPECT_EQ(grey[0].y, 4);
    const auto texts = canvas.Of(tk::RecordingCanvas::Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "  19.2 V");
    EXPECT_EQ(texts[0].color, 0x0000FFu);
    EXPECT_EQ(canvas.LinesIn(0x00FF00).size(), 1u);
}
