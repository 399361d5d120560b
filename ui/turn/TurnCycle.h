#pragma once

#include "game/Game.h"
#include "media/sound/SoundPlayer.h"
#include "ui/turn/TurnSettings.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <Qt>

#include <array>
#include <functional>

class QWidget;

namespace tavlo {

class MoveRun;
class StringGrid;
class Surface;
class SurfaceWidget;

// The cycle of one turn, from a press on the board to the next turn: the
// move, its discs turning one by one, the pass or the end, the indicator,
// the hints and the computer's answer.
//
// It is re-entered: the disc animations and the computer's wait serve
// window events, so menu commands and further presses run inside a run.
// Presses during an animation find busy raised and are lost; whatever else
// happens meanwhile (a new game, a move pressed during the computer's wait,
// a switch of opponent, quitting) is judged by the run's MoveRun, and a
// stale run stops without writing anything more or handing the turn over.
class TurnCycle {
public:
    struct Parts {
        // The window the board lies in: the computer's hand moves over it,
        // and its announcer reads the moves out.
        QWidget &window;
        Game &game;
        StringGrid &board;
        // The turn indicator.
        SurfaceWidget &indicator;
        // 0 the empty square, 1 black, 2..6 turning, 7 white; may be
        // loaded after the cycle is made.
        const std::array<QImage, 8> &discImages;
        // Raised while a disc animation runs; the board ignores presses then.
        bool &busy;
        ReadTurnSettings settings;
        // Shows the result text at the end of a game.
        std::function<void(const QString &text)> showResult;
    };

    explicit TurnCycle(Parts parts);
    TurnCycle(const TurnCycle &) = delete;
    TurnCycle &operator=(const TurnCycle &) = delete;

    // What the rules draw through: the disc turns, the indicator and the
    // hints. The counters and the board's repaint are the window's.
    GameView gameView();

    // A press on the board at (x, y) in board pixels, a player's or the
    // computer's hand's: plays one move to the end.
    void pressBoard(Qt::MouseButton button, int x, int y);
    // The computer's hand: moves the pointer into the cell and presses
    // there; the press arrives after the running handler returns.
    void PlayAt(int column, int row);

    // Turns a disc on a surface towards kind (1 white: frames 1..7, 2 black:
    // frames 7..1, anything else: no frame), 50 ms before each frame, with
    // a "Click" at the start when sound is on. busy is raised throughout. A
    // new game started meanwhile ends it without more frames.
    void AnimateDisc(int kind, Surface &surface, const QRect &rect,
                     SoundPlayer::Interrupt interrupt = SoundPlayer::Interrupt::Yes);
    // The turn indicator turns towards colour. Its click never cuts off a
    // sound still playing, so a pass's "Bloque" is heard whole.
    void animateIndicator(int colour);
    // Marks the listed moves with their flip counts on the board's surface,
    // when hints are on and either two humans play or it is white's list.
    void DrawHints(int player, const MoveList &moves);

private:
    // The steps of a press, in the order it runs them.
    // Places the colour to move at the square and turns what it brackets;
    // false when the run went stale meanwhile and the move was abandoned.
    bool playMove(const MoveRun &run, int column, int row);
    // Hands the turn over, or back with "Bloque" when the other colour must
    // pass, and announces the move at (column, row) that turned flipped
    // discs; shows the result when neither can go on. False once it is over.
    bool passOrEnd(int column, int row, int flipped);
    // After the computer's wait, chooses black's square and sends the hand
    // there, unless the wait left the run stale or white to move.
    void letComputerAnswer(const MoveRun &run);

    // Plays an embedded sound when sound is on.
    void playSound(const QString &name, SoundPlayer::Interrupt interrupt = SoundPlayer::Interrupt::Yes);

    Parts m_parts;
};

} // namespace tavlo
