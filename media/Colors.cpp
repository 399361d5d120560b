#include "media/Colors.h"

#include <QGuiApplication>
#include <QPalette>

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
    // Resolved through the application's palette on every call, so a
    // palette installed at start-up is what the labels and pictures draw in.
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case WindowText:
    case MenuText:
    case CaptionText:
    case InactiveCaptionText:
        return pal.color(QPalette::Active, QPalette::WindowText);
    case Window:
        return pal.color(QPalette::Active, QPalette::Base);
    case BtnFace:
    case Menu:
    case ScrollBar:
    case ActiveBorder:
    case InactiveBorder:
        return pal.color(QPalette::Active, QPalette::Button);
    case BtnText:
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case GrayText:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case BtnHighlight:
        return pal.color(QPalette::Active, QPalette::Light);
    case Light3D:
        return pal.color(QPalette::Active, QPalette::Midlight);
    case BtnShadow:
        return pal.color(QPalette::Active, QPalette::Dark);
    case DkShadow3D:
    case WindowFrame:
        return pal.color(QPalette::Active, QPalette::Shadow);
    case Highlight:
    case ActiveCaption:
        return pal.color(QPalette::Active, QPalette::Highlight);
    case HighlightText:
        return pal.color(QPalette::Active, QPalette::HighlightedText);
    case InactiveCaption:
        return pal.color(QPalette::Inactive, QPalette::Highlight);
    case InfoText:
        return pal.color(QPalette::Active, QPalette::ToolTipText);
    case InfoBk:
        return pal.color(QPalette::Active, QPalette::ToolTipBase);
    case Background:
    case AppWorkspace:
        return pal.color(QPalette::Active, QPalette::Window);
    default:
        return pal.color(QPalette::Active, QPalette::Window);
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
