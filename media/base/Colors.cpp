#include "media/base/Colors.h"

namespace tavlo {

namespace {

// System colour indices, as the low byte of a system colour value.
enum SystemColorIndex : int {
    ScrollBar = 0,
    Background = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    BtnFace = 15,
    BtnShadow = 16,
    GrayText = 17,
    BtnText = 18,
    InactiveCaptionText = 19,
    BtnHighlight = 20,
    DkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBk = 24,
};

QColor systemColor(int index)
{
    // The system colours stand in the window layouts for text drawn over
    // the game's own pictures, which look the same on every desktop: they
    // resolve to a default light desktop's colours, never to the theme's,
    // or a dark theme would write white on the result picture's cream band.
    // Menus and other stock widgets keep the theme.
    switch (index) {
    case WindowText:
    case MenuText:
    case CaptionText:
    case InactiveCaptionText:
    case BtnText:
    case InfoText:
        return QColor(0, 0, 0);
    case Window:
    case BtnHighlight:
    case HighlightText:
        return QColor(255, 255, 255);
    case GrayText:
        return QColor(190, 190, 190);
    case Light3D:
        return QColor(202, 202, 202);
    case BtnShadow:
        return QColor(159, 159, 159);
    case DkShadow3D:
    case WindowFrame:
        return QColor(118, 118, 118);
    case Highlight:
    case ActiveCaption:
    case InactiveCaption:
        return QColor(48, 140, 198);
    case InfoBk:
        return QColor(255, 255, 220);
    default: // the faces of windows, buttons, menus and borders
        return QColor(239, 239, 239);
    }
}

} // namespace

QColor toQColor(TColor c)
{
    if (c == clNone)
        return {};
    if (isSystemColor(c))
        return systemColor(c & 0xFF);
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

TColor fromQColor(const QColor &c)
{
    if (!c.isValid())
        return clNone;
    const QColor rgb = c.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace tavlo
