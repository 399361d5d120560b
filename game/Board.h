#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavlo {

// Colours as the board grid stores them: the cell texts "0", "1", "2" read
// as numbers. They stay plain ints because they travel through the grid,
// the snapshot and CurrentPlayer unchanged.
inline constexpr int kEmpty = 0;
inline constexpr int kWhite = 1;
inline constexpr int kBlack = 2;
inline constexpr int kBoardSize = 8;

// The opponent of white is black; the opponent of anything else is white.
constexpr int opponentOf(int colour) { return colour == kWhite ? kBlack : kWhite; }

struct Square {
    int column{};
    int row{};
    friend bool operator==(const Square&, const Square&) = default;
};

// The only store of the position: 64 cell texts addressed (column, row),
// both 0..7, column 0 at the left, row 0 at the top. The board widget
// implements it; tests use MemoryGrid.
class BoardGrid {
public:
    virtual ~BoardGrid() = default;
    virtual std::string cellText(int column, int row) const = 0;
    virtual void setCellText(int column, int row, std::string_view text) = 0;
};

// A plain in-memory grid, all "0" when made.
class MemoryGrid : public BoardGrid {
public:
    MemoryGrid();

    // Builds a grid from a picture of eight rows, top row first, eight
    // characters each: '.' or '0' empty, 'W' or '1' white, 'B' or '2' black.
    // Whitespace and line breaks between cells are ignored. Throws
    // std::invalid_argument for anything else or a wrong cell count.
    static MemoryGrid fromPicture(std::string_view picture);

    std::string cellText(int column, int row) const override;
    void setCellText(int column, int row, std::string_view text) override;

    // The position as the same kind of picture, '.', 'W', 'B', rows separated by '\n'.
    std::string picture() const;

private:
    std::array<std::string, kBoardSize * kBoardSize> m_cells;
};

// 8 x 8 values indexed [row][column], read from the grid for one computation
// and never kept past it.
using BoardSnapshot = std::array<std::array<std::int32_t, kBoardSize>, kBoardSize>;

// Reads every cell. A text other than "1" or "2" reads as empty.
BoardSnapshot Snapshot(const BoardGrid& grid);

constexpr bool onBoard(int column, int row)
{
    return column >= 0 && column < kBoardSize && row >= 0 && row < kBoardSize;
}

// The text a colour is written as: "0", "1" or "2".
std::string_view colourText(int colour);

} // namespace tavlo
