// The board's press handler. For now it only sorts out the presses that can
// never be a move; placing the disc, turning the bracketed discs and handing
// the turn over come with the turn cycle.
#include "ui/StringGrid.h"
#include "ui/UTavlo.h"

void TMain::TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    const auto cell = tavlo::StringGrid::cellAt(QPoint(x, y));
    if (button != Qt::LeftButton || Busy || !cell)
        return;
    if (TabPion->cellText(cell->column, cell->row) != tavlo::colourText(tavlo::kEmpty))
        return;
}
