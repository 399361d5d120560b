#pragma once

#include "game/Board.h"
#include "ui/board/Surface.h"

#include <QBitArray>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QPainter;

namespace tavlo {

// The board: an 8 x 8 grid of 60-pixel cells without lines, border or
// scroll bars, each cell holding a text ("0", "1", "2") that is the only
// store of the position. Cells are drawn by the owner's callback into the
// grid's surface; the grid keeps what was drawn on it and redraws a cell
// from its text only when that cell was invalidated: its text changed, the
// grid was (re)shown, or repaintBoard() asked for all of them. Hints and
// disc frames drawn onto the surface therefore stay until such a repaint.
class StringGrid : public SurfaceWidget, public BoardGrid {
    Q_OBJECT

public:
    static constexpr int kColumns = kBoardSize;
    static constexpr int kRows = kBoardSize;
    static constexpr int kCellSize = 60;

    using DrawCell = std::function<void(QPainter &canvas, int column, int row, const QRect &rect)>;
    using MouseDown = std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

    explicit StringGrid(QWidget *parent = nullptr);

    std::string cellText(int column, int row) const override;
    // Stores the text and invalidates the cell; it is drawn anew at the next
    // paint, which comes when events are next served.
    void setCellText(int column, int row, std::string_view text) override;

    QRect cellRect(int column, int row) const;
    // The cell under a point of the grid, if any.
    static std::optional<Square> cellAt(QPoint point);

    // Redraws every cell from its text and shows the result at once,
    // wiping whatever was drawn over the cells.
    void repaintBoard();

    void setDrawCell(DrawCell drawCell) { m_drawCell = std::move(drawCell); }
    void setMouseDown(MouseDown mouseDown) { m_mouseDown = std::move(mouseDown); }

    void setHeld(const QRect &rect, bool held) override;
    void drawPicture(const QRect &rect, const QImage &picture) override;

    // The cell under the focus mark, and whether the mark shows.
    Square focusCell() const { return m_focus; }
    bool focusMarkShown() const { return m_markShown; }
    // Puts the mark on a cell, shown or not as it was; a screen reader hears
    // of it as a focus change. The computer's hand does this just before its
    // move, whose news is said after the cell.
    void placeFocusMark(int column, int row);

    // A hint with its flip count was drawn over an empty cell. It is
    // forgotten when the cell is drawn again, as the hint's pixels are.
    void noteHint(int column, int row, int flips);
    // The flip count of the hint showing on a cell, 0 for none.
    int hintFlips(int column, int row) const;

signals:
    // For screen readers: cell names may have changed (texts, hints), or the
    // focus mark moved onto another cell.
    void namesChanged();
    void focusMoved();

protected:
    void renderSurface(const QRegion &region) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    static int indexOf(int column, int row) { return row * kColumns + column; }
    void invalidateAll();
    // Draws the owed cells that region touches into the surface; with
    // changed, also gathers the cells whose pixels came out different.
    void drawOwedCells(const QRegion &region, QRegion *changed);
    void moveFocusMark(int column, int row);
    void showFocusMark(bool shown);
    void openMenuAtMark();
    // Calls f(index) for every cell that rect overlaps.
    template <typename F>
    void forCellsIn(const QRect &rect, F f) const;

    std::array<std::string, kColumns * kRows> m_cells;
    QBitArray m_dirty{kColumns * kRows, true};
    std::array<int, kColumns * kRows> m_held{};
    std::array<int, kColumns * kRows> m_hints{};
    Square m_focus{3, 3};
    bool m_markShown{false};
    DrawCell m_drawCell;
    MouseDown m_mouseDown;
};

} // namespace tavlo
