#include "toolkit/recording_canvas.h"

namespace tk {

void RecordingCanvas::SetPenColor(Color color) {
    pen_ = color;
    calls_.push_back({Op::PenColor, 0, 0, 0, 0, color, {}});
}

void RecordingCanvas::SetFontColor(Color color) {
    font_ = color;
    calls_.push_back({Op::FontColor, 0, 0, 0, 0, color, {}});
}

void RecordingCanvas::MoveTo(int x, int y) {
    calls_.push_back({Op::MoveTo, x, y, 0, 0, pen_, {}});
}

void RecordingCanvas::LineTo(int x, int y) {
    calls_.push_back({Op::LineTo, x, y, 0, 0, pen_, {}});
}

void RecordingCanvas::TextOut(int x, int y, const char* text) {
    calls_.push_back({Op::Text, x, y, 0, 0, font_, text});
}

void RecordingCanvas::FillBackground(int left, int top, int right, int bottom) {
    calls_.push_back({Op::Fill, left, top, right, bottom, 0, {}});
}

std::vector<RecordingCanvas::Call> RecordingCanvas::Of(Op op) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.op == op)
            out.push_back(c);
    return out;
}

std::vector<RecordingCanvas::Call> RecordingCanvas::LinesIn(Color color) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.op == Op::LineTo && c.color == color)
            out.push_back(c);
    return out;
}

} // namespace tk
