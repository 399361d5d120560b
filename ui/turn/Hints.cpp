#include "ui/turn/Hints.h"

#include "media/base/Colors.h"

#include <QFontMetrics>
#include <QPainter>

namespace tavlo {

namespace {

QFont hintFont()
{
    // 12 points on the 96-dpi screen the game was drawn for: 16 pixels.
    // Unsmoothed, so the digits stay pure white over the hatch.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

void drawHint(QPainter &canvas, QPoint cellTopLeft, int flips)
{
    const int left = cellTopLeft.x();
    const int top = cellTopLeft.y();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.setPen(QPen(toQColor(clBlue), 1, Qt::SolidLine));
    canvas.setBrush(QBrush(toQColor(clPurple), Qt::DiagCrossPattern));
    // The box runs from (L+15, T+15) to (L+45, T+45), its far edges
    // excluded: a pixel-exact 30-pixel circle.
    canvas.drawEllipse(QRect(left + 15, top + 15, 29, 29));

    const QFont font = hintFont();
    const QFontMetrics metrics(font);
    const QString text = QString::number(flips);
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    canvas.setFont(font);
    canvas.setPen(Qt::white);
    canvas.drawText(QPoint(left + 30 - w / 2, top + 30 - h / 2 + metrics.ascent()), text);
    canvas.restore();
}

} // namespace tavlo
