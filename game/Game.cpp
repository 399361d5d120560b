#include "game/Game.h"

namespace tavlo {

namespace {

struct Walk {
    int countIndex;
    int columnStep;
    int rowStep;
};

// For each line, its two directions in the order the discs are turned.
constexpr std::array<std::array<Walk, 2>, 4> kLineWalks{{
    {{{3, -1, 0}, {5, +1, 0}}},   // row: left, then right
    {{{0, -1, -1}, {8, +1, +1}}}, // main diagonal: up-left, then down-right
    {{{1, 0, -1}, {7, 0, +1}}},   // column: up, then down
    {{{6, -1, +1}, {2, +1, -1}}}, // anti-diagonal: down-left, then up-right
}};

} // namespace

Game::Game(BoardGrid& grid, RandomSource& random, GameView view)
    : m_grid(grid)
    , m_random(random)
    , m_view(std::move(view))
{
}

LineFlagsResult Game::examineMove(int column, int row)
{
    if (m_currentPlayer != kWhite && m_currentPlayer != kBlack)
        return {};
    m_scratch = countsForMove(Snapshot(m_grid), m_currentPlayer, column, row);
    return LineFlags(m_scratch);
}

bool Game::ListMoves(int player)
{
    m_moveList = findMoves(Snapshot(m_grid), player);
    const bool found = !m_moveList.empty();
    if (m_view.repaintBoard)
        m_view.repaintBoard();
    if (found && m_view.drawHints)
        m_view.drawHints(player, m_moveList);
    return found;
}

bool Game::FlipLines(int opponent, int player, int row, int column, const std::function<bool()>& stale)
{
    const FlipCounts counts = DirectionCounts(opponent, column, row, Snapshot(m_grid));
    const LineFlagsResult lines = LineFlags(counts);
    const std::string_view text = colourText(player);

    for (int line = 0; line < 4; ++line) {
        if (!lines.isSet(Line(line)))
            continue;
        for (const Walk& walk : kLineWalks[line]) {
            // k = 0 is the placed square, animated again on every walk.
            for (int k = 0; k <= counts[walk.countIndex]; ++k) {
                const int c = column + k * walk.columnStep;
                const int r = row + k * walk.rowStep;
                m_grid.setCellText(c, r, text);
                if (m_view.animateCell)
                    m_view.animateCell(c, r, player);
                if (stale && stale())
                    return false;
            }
        }
    }
    return true;
}

DiscCount Game::CountDiscs()
{
    DiscCount count;
    const BoardSnapshot snapshot = Snapshot(m_grid);
    for (const auto& line : snapshot) {
        for (std::int32_t v : line) {
            if (v == kWhite)
                ++count.white;
            else if (v == kBlack)
                ++count.black;
        }
    }
    if (m_view.setCounters)
        m_view.setCounters(count.white, count.black);
    return count;
}

bool Game::IsGameOver()
{
    const DiscCount count = CountDiscs();
    if (count.white + count.black == kBoardSize * kBoardSize || count.white == 0 || count.black == 0)
        return true;
    // Neither colour able to move would otherwise leave the game waiting
    // forever for a press that cannot be played.
    const BoardSnapshot snapshot = Snapshot(m_grid);
    return !hasAnyMove(snapshot, kWhite) && !hasAnyMove(snapshot, kBlack);
}

void Game::NewGame()
{
    ++m_gameNumber;
    for (int column = 0; column < kBoardSize; ++column) {
        for (int row = 0; row < kBoardSize; ++row)
            m_grid.setCellText(column, row, "0");
    }
    const bool crossed = m_random.draw(2) == 1;
    m_grid.setCellText(3, 3, "1");
    m_grid.setCellText(3, 4, crossed ? "2" : "1");
    m_grid.setCellText(4, 3, "2");
    m_grid.setCellText(4, 4, crossed ? "1" : "2");
    m_currentPlayer = kWhite;
    if (m_view.animateIndicator)
        m_view.animateIndicator(kWhite);
    if (m_view.setCounters)
        m_view.setCounters(2, 2);
}

std::optional<Square> Game::ChooseComputerMove()
{
    ListMoves(kBlack);
    return tavlo::ChooseComputerMove(m_moveList, m_level, m_random);
}

} // namespace tavlo
