#pragma once

#include <QPoint>

class QPainter;

namespace tavlo {

// One move hint over the 60-pixel cell whose top-left is cellTopLeft: a
// 30-pixel circle centred in the cell, blue outline, purple diagonal
// cross-hatch laid over what is there (the gaps stay see-through), and the
// flip count in white bold centred on it.
void drawHint(QPainter &canvas, QPoint cellTopLeft, int flips);

} // namespace tavlo
