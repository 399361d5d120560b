#pragma once

#include <QColor>
#include <cstdint>

namespace tavlo {

// A colour as the window layouts and the GIF reader store it: red in the
// low byte, then green, then blue. Values with the top bit set name a system
// colour (the low byte picks which) and resolve to a default light
// desktop's colours, whatever the desktop's theme.
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(TColor c) { return c & 0xFF; }
constexpr int greenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clGray = RGB(128, 128, 128);
constexpr TColor clPurple = RGB(128, 0, 128);
constexpr TColor clBlue = RGB(0, 0, 255);

constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr bool isSystemColor(TColor c) { return (c & clSystemColor) != 0; }

// Turns a colour value into the RGB it shows as; system colours are the
// light desktop's. clNone has no RGB and gives an invalid QColor.
QColor toQColor(TColor c);
// The colour value of an RGB colour (alpha is dropped).
TColor fromQColor(const QColor &c);

} // namespace tavlo
