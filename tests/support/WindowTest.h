#pragma once

// What the window tests share: the offscreen set-up, a main window shown
// and active, positions written straight onto the board, presses delivered
// as the window system delivers them, and the pauses the game asks for.
#include "game/Board.h"
#include "media/sound/SoundPlayer.h"
#include "tests/support/TestRandom.h"
#include "ui/Fonts.h"
#include "ui/Testing.h"
#include "ui/UTavlo.h"
#include "ui/board/StringGrid.h"

#include <QtTest>

#include <memory>
#include <string_view>

namespace tavlo::test {

// Once per test program: the fonts the layouts name, the pause clock at
// zero (every pause serves the pending events once), sounds into output.
inline void startWindowTests(std::unique_ptr<AudioOutput> output)
{
    installFontSubstitutions();
    testing::setPauseTimeScale(0);
    SoundPlayer::instance().setOutput(std::move(output));
}

// A main window drawing from random, shown and active; its first
// activation's work is done.
inline std::unique_ptr<TMain> showMain(RandomSource &random)
{
    auto main = std::make_unique<TMain>();
    testing::setRandomSource(*main, &random);
    main->show();
    main->activateWindow();
    if (!QTest::qWaitForWindowActive(main.get()))
        qWarning("main window not active");
    return main;
}

inline QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// The window as it shows: what has been painted into its backing store, not
// a fresh rendering, so that a change drawn but never shown is seen.
// Events already posted (the updates asked for among them) are delivered
// first, as the next turn of the event loop would.
inline QImage windowOnScreen(TMain &main)
{
    QCoreApplication::sendPostedEvents();
    return main.screen()->grabWindow(main.winId()).toImage();
}

// A cell as the window shows it.
inline QImage cellOnScreen(TMain &main, int column, int row)
{
    const QImage shot = windowOnScreen(main);
    return rgb(shot.copy(main.TabPion->cellRect(column, row).translated(main.TabPion->pos())));
}

// The disc picture a cell's text calls for.
inline QImage pictureFor(TMain &main, int column, int row)
{
    const std::string text = main.TabPion->cellText(column, row);
    return rgb(main.DiscImages[text == "1" ? 7 : text == "2" ? 1 : 0]);
}

// Cells whose pixels differ from the picture their text calls for: hints,
// or frames of a turn left over.
inline QList<Square> markedCells(TMain &main)
{
    QList<Square> marked;
    const QImage shot = windowOnScreen(main);
    for (int column = 0; column < kBoardSize; ++column)
        for (int row = 0; row < kBoardSize; ++row) {
            const QRect r = main.TabPion->cellRect(column, row).translated(main.TabPion->pos());
            if (rgb(shot.copy(r)) != pictureFor(main, column, row))
                marked.append({column, row});
        }
    return marked;
}

// Writes a position ('.', 'W', 'B') onto the board with player to move.
inline void setPosition(TMain &main, std::string_view picture, int player)
{
    const MemoryGrid grid = MemoryGrid::fromPicture(picture);
    for (int column = 0; column < kBoardSize; ++column)
        for (int row = 0; row < kBoardSize; ++row)
            main.TabPion->setCellText(column, row, grid.cellText(column, row));
    main.game().setCurrentPlayer(player);
    main.TabPion->repaintBoard();
}

// The board's position as rows of '.', 'W', 'B', for readable failures.
inline QString boardPicture(const BoardGrid &board)
{
    MemoryGrid copy;
    for (int column = 0; column < kBoardSize; ++column)
        for (int row = 0; row < kBoardSize; ++row)
            copy.setCellText(column, row, board.cellText(column, row));
    return QString::fromStdString(copy.picture());
}

// A press and release at a point of the board, as the window system
// delivers them; by default the cell's centre.
inline void pressBoard(TMain &main, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint inWindow = main.TabPion->mapTo(&main, at);
    const QPoint global = main.TabPion->mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, inWindow, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(main.TabPion, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, inWindow, global, button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main.TabPion, &up);
}

inline void press(TMain &main, int column, int row, Qt::MouseButton button = Qt::LeftButton)
{
    pressBoard(main, main.TabPion->cellRect(column, row).center(), button);
}

// The waits the game asks for while it lives, in milliseconds, whatever
// the pause clock's scale.
struct PauseLog {
    PauseLog()
    {
        testing::setPauseRecorder([this](double milliseconds) { asked.append(milliseconds); });
    }
    ~PauseLog() { testing::setPauseRecorder({}); }
    PauseLog(const PauseLog &) = delete;
    PauseLog &operator=(const PauseLog &) = delete;
    QList<double> asked;
};

// A turning disc: seven frames, 50 ms before each.
inline QList<double> discTurnPauses(int discs)
{
    return QList<double>(7 * discs, 50.0);
}

// The two openings NewGame lays out, white to move.
inline constexpr std::string_view kParallel = "........ ........ ........ ...WB... ...WB... ........ ........ ........";
inline constexpr std::string_view kCrossed = "........ ........ ........ ...WB... ...BW... ........ ........ ........";

} // namespace tavlo::test
