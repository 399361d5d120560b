#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

namespace tavlo {

// A rectangle the way the label's algorithms reason about it: Right and
// Bottom lie one past the last pixel, so Right - Left is the width.
struct TRect {
    int Left{0};
    int Top{0};
    int Right{0};
    int Bottom{0};

    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    bool operator==(const TRect &) const = default;
};

TRect unionOf(const TRect &a, const TRect &b);

// Text layout flags; the values are those the label's algorithms were
// written against, so they can be combined and tested the same way.
enum : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_WORDBREAK = 0x10,
    DT_EXPANDTABS = 0x40,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};

// Where text is laid out: a painter to draw on, or none for a surface that
// only measures. The text colour and font are the surface's current ones.
struct TextSurface {
    QPainter *painter{nullptr};
    QFont font;
    QColor textColor;
};

// Lays text out in r and returns the height of the whole text in pixels
// (0 for an empty text). Lines end at every line break ("\r\n", "\r" or
// "\n"); with DT_WORDBREAK they also break between words to fit r's width,
// and a word wider than that stays whole. Each line is one font height
// (ascent + descent) tall. Unless DT_NOPREFIX, "&x" draws x underlined and
// "&&" draws one ampersand. With DT_CALCRECT nothing is drawn and r's Right
// and Bottom become the extent of the text; otherwise the lines are drawn in
// the surface's text colour, clipped to r, lines below r being cut.
int layoutText(const TextSurface &surface, const QString &text, TRect &r, unsigned flags);

} // namespace tavlo
