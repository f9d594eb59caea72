#pragma once

#include "toolkit/canvas.h"

#include <string>
#include <vector>

// windows.h, when included since canvas.h, names TextOutA or TextOutW TextOut, which
// is also the member this class overrides.
#undef TextOut

namespace tk {

// A canvas that keeps every call, in order, for the drawing tests.
class RecordingCanvas : public Canvas {
public:
    enum class Op { PenColor, FontColor, MoveTo, LineTo, Text, Fill };

    struct Call {
        Op op;
        int x = 0;
        int y = 0;
        int x2 = 0;       // right edge, for Fill
        int y2 = 0;       // bottom edge, for Fill
        Color color = 0;  // the colour set, or the colour in force for lines and text
        std::string text; // for Text
    };

    void SetPenColor(Color color) override;
    void SetFontColor(Color color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;
    void FillBackground(int left, int top, int right, int bottom) override;

    const std::vector<Call>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

    // Convenience views used by the tests.
    std::vector<Call> Of(Op op) const;
    std::vector<Call> LinesIn(Color color) const;

private:
    std::vector<Call> calls_;
    Color pen_ = 0;
    Color font_ = 0;
};

} // namespace tk
