#pragma once

#include "toolkit/recording_canvas.h"

#include <map>
#include <string>

// What the screen and spectrum tests read back from a recording canvas.
namespace view_test {

using tk::RecordingCanvas;
using Op = RecordingCanvas::Op;

constexpr tk::Color kGrey = 0x808080, kRed = 0x0000FF, kBlue = 0xFF0000, kLime = 0x00FF00,
                    kGreen = 0x008000, kTeal = 0x808000, kMaroon = 0x000080;

inline std::string Point(char op, int x, int y) {
    return op + std::to_string(x) + "," + std::to_string(y) + "\n";
}

// The first `limit` moves and lines made in one pen colour, as "Mx,y" and "Lx,y" lines.
inline std::string Drawn(const RecordingCanvas& canvas, tk::Color color, int limit = 1 << 30) {
    std::string out;
    for (const auto& c : canvas.Calls())
        if ((c.op == Op::MoveTo || c.op == Op::LineTo) && c.color == color && limit-- > 0)
            out += Point(c.op == Op::MoveTo ? 'M' : 'L', c.x, c.y);
    return out;
}

// The pen colours in the order they were set, each with the lines drawn in it.
inline std::string Pens(const RecordingCanvas& canvas) {
    static const std::map<tk::Color, std::string> names = {
        {kGrey, "grey"}, {kLime, "lime"},     {kRed, "red"},    {kTeal, "teal"},
        {kBlue, "blue"}, {kMaroon, "maroon"}, {kGreen, "green"}};
    std::string out;
    for (const auto& c : canvas.Of(Op::PenColor))
        out += ", " + names.at(c.color) + " " + std::to_string(canvas.LinesIn(c.color).size());
    return out.substr(2);
}

} // namespace view_test
