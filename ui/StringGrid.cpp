#include "ui/StringGrid.h"

#include "media/Smoothing.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tavlo {

StringGrid::StringGrid(QWidget *parent)
    : SurfaceWidget(parent)
{
    m_cells.fill(std::string(colourText(kEmpty)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface().fill(Qt::black);
}

std::string StringGrid::cellText(int column, int row) const
{
    if (!onBoard(column, row))
        return {};
    return m_cells[std::size_t(indexOf(column, row))];
}

void StringGrid::setCellText(int column, int row, std::string_view text)
{
    if (!onBoard(column, row))
        return;
    m_cells[std::size_t(indexOf(column, row))] = std::string(text);
    m_dirty.setBit(indexOf(column, row));
    update(cellRect(column, row));
}

QRect StringGrid::cellRect(int column, int row) const
{
    return QRect(column * kCellSize, row * kCellSize, kCellSize, kCellSize);
}

std::optional<Square> StringGrid::cellAt(QPoint point)
{
    if (point.x() < 0 || point.y() < 0)
        return std::nullopt;
    const Square cell{point.x() / kCellSize, point.y() / kCellSize};
    if (!onBoard(cell.column, cell.row))
        return std::nullopt;
    return cell;
}

void StringGrid::repaintBoard()
{
    invalidateAll();
    if (isVisible())
        repaint();
}

template <typename F>
void StringGrid::forCellsIn(const QRect &rect, F f) const
{
    const QRect r = rect.intersected(QRect(0, 0, kColumns * kCellSize, kRows * kCellSize));
    if (r.isEmpty())
        return;
    for (int row = r.top() / kCellSize; row <= r.bottom() / kCellSize; ++row)
        for (int column = r.left() / kCellSize; column <= r.right() / kCellSize; ++column)
            f(indexOf(column, row));
}

void StringGrid::setHeld(const QRect &rect, bool held)
{
    bool owed = false;
    forCellsIn(rect, [&](int i) {
        int &count = m_held[std::size_t(i)];
        count = held ? count + 1 : std::max(0, count - 1);
        owed = owed || (count == 0 && m_dirty.testBit(i));
    });
    // A cell whose text changed while it was held is drawn now.
    if (owed)
        update(rect);
}

void StringGrid::drawPicture(const QRect &rect, const QImage &picture)
{
    // A frame covering a whole cell stands for that cell until the next
    // invalidation; the cell's own drawing is no longer owed.
    forCellsIn(rect, [&](int i) {
        const QRect cell = cellRect(i % kColumns, i / kColumns);
        if (QRect(rect.topLeft(), picture.size()).contains(cell))
            m_dirty.clearBit(i);
    });
    SurfaceWidget::drawPicture(rect, picture);
}

void StringGrid::invalidateAll()
{
    m_dirty.fill(true);
}

void StringGrid::renderSurface(const QRegion &region)
{
    QPainter canvas(&surface());
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    smoothWhenScaled(canvas);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const int i = indexOf(column, row);
            const QRect rect = cellRect(column, row);
            if (!m_dirty.testBit(i) || m_held[std::size_t(i)] > 0 || !region.intersects(rect))
                continue;
            canvas.save();
            canvas.setClipRect(rect);
            if (m_drawCell)
                m_drawCell(canvas, column, row, rect);
            canvas.restore();
            m_dirty.clearBit(i);
        }
    }
}

void StringGrid::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (m_mouseDown)
        m_mouseDown(event->button(), event->modifiers(), p.x(), p.y());
    // A right press also opens the window's menu: the context menu event
    // that follows is left to the parent.
}

void StringGrid::showEvent(QShowEvent *event)
{
    SurfaceWidget::showEvent(event);
    invalidateAll();
}

} // namespace tavlo
