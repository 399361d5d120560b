#include "ui/board/StringGrid.h"

#include "media/base/ScreenScale.h"

#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QTimer>

#include <algorithm>

namespace tavlo {

StringGrid::StringGrid(QWidget *parent)
    : SurfaceWidget(parent, kCellSize)
{
    m_cells.fill(std::string(colourText(kEmpty)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    fillSurface(Qt::black);
    setFocusPolicy(Qt::StrongFocus);
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
    m_hints[std::size_t(indexOf(column, row))] = 0;
    update(cellRect(column, row));
    emit namesChanged();
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
    if (isVisible()) {
        // After a move most of the board looks as it did: only the cells
        // that come out different are sent to the screen.
        QRegion changed;
        drawOwedCells(rect(), &changed);
        if (!changed.isEmpty())
            repaint(changed);
    }
    emit namesChanged();
}

void StringGrid::noteHint(int column, int row, int flips)
{
    if (!onBoard(column, row))
        return;
    m_hints[std::size_t(indexOf(column, row))] = flips;
    emit namesChanged();
}

int StringGrid::hintFlips(int column, int row) const
{
    return onBoard(column, row) ? m_hints[std::size_t(indexOf(column, row))] : 0;
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
    m_hints.fill(0);
}

void StringGrid::renderSurface(const QRegion &region)
{
    drawOwedCells(region, nullptr);
}

void StringGrid::drawOwedCells(const QRegion &region, QRegion *changed)
{
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const int i = indexOf(column, row);
            const QRect rect = cellRect(column, row);
            if (!m_dirty.testBit(i) || m_held[std::size_t(i)] > 0 || !region.intersects(rect))
                continue;
            // Only a caller that asks what changed pays for the comparison.
            const QImage before = changed ? surfacePart(rect) : QImage();
            paintSurface(rect, [&](QPainter &canvas) {
                canvas.setCompositionMode(QPainter::CompositionMode_Source);
                canvas.setClipRect(rect);
                if (m_drawCell)
                    m_drawCell(canvas, column, row, rect);
            });
            m_dirty.clearBit(i);
            if (changed && surfacePart(rect) != before)
                *changed += rect;
        }
    }
}

void StringGrid::paintEvent(QPaintEvent *event)
{
    SurfaceWidget::paintEvent(event);
    if (!m_markShown)
        return;
    // A black ring inside a yellow one: one of the two stands out over the
    // green square, both discs, every turning frame and the purple hints.
    const QRect cell = cellRect(m_focus.column, m_focus.row);
    if (!event->region().intersects(cell))
        return;
    QPainter p(this);
    paintAtScreenScale(p);
    p.setClipRegion(event->region());
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 214, 0), 4));
    p.drawRoundedRect(QRectF(cell).adjusted(3, 3, -3, -3), 8, 8);
    p.setPen(QPen(Qt::black, 2));
    p.drawRoundedRect(QRectF(cell).adjusted(6, 6, -6, -6), 6, 6);
}

void StringGrid::showFocusMark(bool shown)
{
    if (m_markShown == shown)
        return;
    m_markShown = shown;
    update(cellRect(m_focus.column, m_focus.row));
}

void StringGrid::placeFocusMark(int column, int row)
{
    if (!onBoard(column, row))
        return;
    const Square before = m_focus;
    update(cellRect(m_focus.column, m_focus.row));
    m_focus = Square{column, row};
    update(cellRect(column, row));
    // Whoever moves the mark, the player or the computer's hand, a screen
    // reader must follow it, or its next arrow key lands somewhere unheard.
    if (m_focus != before)
        emit focusMoved();
}

void StringGrid::moveFocusMark(int column, int row)
{
    placeFocusMark(std::clamp(column, 0, kColumns - 1), std::clamp(row, 0, kRows - 1));
    showFocusMark(true);
}

void StringGrid::openMenuAtMark()
{
    // The window owns the menu; it opens at the mark as it would at a
    // right press there.
    const QPoint centre = cellRect(m_focus.column, m_focus.row).center();
    QWidget *owner = window();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, mapTo(owner, centre), mapToGlobal(centre));
    QCoreApplication::sendEvent(owner, &menu);
}

void StringGrid::keyPressEvent(QKeyEvent *event)
{
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Left:
        moveFocusMark(m_focus.column - 1, m_focus.row);
        break;
    case Qt::Key_Right:
        moveFocusMark(m_focus.column + 1, m_focus.row);
        break;
    case Qt::Key_Up:
        moveFocusMark(m_focus.column, m_focus.row - 1);
        break;
    case Qt::Key_Down:
        moveFocusMark(m_focus.column, m_focus.row + 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: {
        showFocusMark(true);
        // A held key plays once.
        if (event->isAutoRepeat())
            break;
        const QPoint centre = cellRect(m_focus.column, m_focus.row).center();
        if (m_mouseDown)
            m_mouseDown(Qt::LeftButton, event->modifiers(), centre.x(), centre.y());
        break;
    }
    case Qt::Key_Menu:
        openMenuAtMark();
        break;
    case Qt::Key_F10:
        if (shift) {
            openMenuAtMark();
            break;
        }
        [[fallthrough]];
    default:
        SurfaceWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void StringGrid::focusInEvent(QFocusEvent *event)
{
    SurfaceWidget::focusInEvent(event);
    // The toolkit announces the board itself as focused once this returns;
    // the marked cell is the focus within it, told afterwards.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            emit focusMoved();
    });
}

void StringGrid::contextMenuEvent(QContextMenuEvent *event)
{
    // The Menu key already opened the menu at the mark (keyPressEvent); the
    // platform's own keyboard menu request that follows it would open a
    // second one where the pointer is.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        event->accept();
        return;
    }
    event->ignore();
}

void StringGrid::mousePressEvent(QMouseEvent *event)
{
    // A player's press ends keyboard play for the eye; the computer's hand
    // (a posted press, not one from the window system) leaves the mark on
    // the cell it just moved it to.
    if (event->spontaneous())
        showFocusMark(false);
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
    emit namesChanged();
}

} // namespace tavlo
