#include "game/Board.h"

#include <stdexcept>

namespace tavlo {

namespace {

std::size_t cellIndex(int column, int row)
{
    if (!onBoard(column, row))
        throw std::out_of_range("cell off the board");
    return std::size_t(row * kBoardSize + column);
}

} // namespace

MemoryGrid::MemoryGrid()
{
    m_cells.fill("0");
}

MemoryGrid MemoryGrid::fromPicture(std::string_view picture)
{
    MemoryGrid grid;
    int cell = 0;
    for (char c : picture) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        std::string_view text;
        switch (c) {
        case '.': case '0': text = "0"; break;
        case 'W': case '1': text = "1"; break;
        case 'B': case '2': text = "2"; break;
        default: throw std::invalid_argument("unknown cell character in board picture");
        }
        if (cell >= kBoardSize * kBoardSize)
            throw std::invalid_argument("board picture has more than 64 cells");
        grid.setCellText(cell % kBoardSize, cell / kBoardSize, text);
        ++cell;
    }
    if (cell != kBoardSize * kBoardSize)
        throw std::invalid_argument("board picture has fewer than 64 cells");
    return grid;
}

std::string MemoryGrid::cellText(int column, int row) const
{
    return m_cells[cellIndex(column, row)];
}

void MemoryGrid::setCellText(int column, int row, std::string_view text)
{
    m_cells[cellIndex(column, row)] = std::string(text);
}

std::string MemoryGrid::picture() const
{
    std::string out;
    for (int row = 0; row < kBoardSize; ++row) {
        for (int column = 0; column < kBoardSize; ++column) {
            const std::string& text = m_cells[cellIndex(column, row)];
            out += text == "1" ? 'W' : text == "2" ? 'B' : '.';
        }
        out += '\n';
    }
    return out;
}

BoardSnapshot Snapshot(const BoardGrid& grid)
{
    BoardSnapshot snapshot{};
    for (int row = 0; row < kBoardSize; ++row) {
        for (int column = 0; column < kBoardSize; ++column) {
            const std::string text = grid.cellText(column, row);
            snapshot[row][column] = text == "1" ? kWhite : text == "2" ? kBlack : kEmpty;
        }
    }
    return snapshot;
}

std::string_view colourText(int colour)
{
    switch (colour) {
    case kWhite: return "1";
    case kBlack: return "2";
    default: return "0";
    }
}

} // namespace tavlo
