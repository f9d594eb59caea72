#pragma once

#include "toolkit/canvas.h"

namespace duruz {

// The colours that tell the channels apart wherever their traces and readings
// appear: on the screen and in the status strip. Colours are 0x00BBGGRR.
constexpr tk::Color kTraceColors[2] = {0x0000FF, 0xFF0000};    // channel 1 red, channel 2 blue
constexpr tk::Color kSpectrumColors[2] = {0x808000, 0x000080}; // teal, maroon
// A reference trace: a darker shade of its channel's colour.
constexpr tk::Color kReferenceColors[2] = {0x000099, 0x990000};
constexpr tk::Color kXyFigureColor = 0x008000; // green

} // namespace duruz
