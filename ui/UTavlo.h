#pragma once

#include "game/Game.h"
#include "media/sound/SoundPlayer.h"
#include "ui/Surface.h"
#include "ui_TMain.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <future>
#include <memory>

namespace tavlo {
class MoveRun;
}

// The game's one working window: background picture, board, counters, turn
// indicator and the right-click menu. It owns the whole game state for the
// run. Handlers keep their toolkit names; the turn cycle (TabPionMouseDown,
// PlayAt) is defined in its own units.
class TMain : public QWidget, public Ui::TMain {
    Q_OBJECT

public:
    explicit TMain(QWidget *parent = nullptr);
    ~TMain() override;

    // Showing it the first time runs FormShow before anything is shown.
    void setVisible(bool visible) override;

    // ---- game state --------------------------------------------------
    // The rules, bound to the board TabPion: CurrentPlayer, Level, the
    // MoveList, the scratch counts and the game and move counters live there.
    tavlo::Game &game() { return *m_game; }
    const tavlo::Game &game() const { return *m_game; }
    int CurrentPlayer() const { return m_game->currentPlayer(); }
    tavlo::Level Level() const { return m_game->level(); }

    // Raised while a disc animation runs; the board ignores presses then.
    bool Busy{false};
    // The first-activation work is still to do.
    bool FirstActivation{true};
    // Decoded while the splash shows; ready once the window is shown (or
    // after waitForPictures()).
    QImage BackgroundBitmap;
    // 0 the empty square, 1 black, 2..6 turning, 7 white.
    std::array<QImage, 8> DiscImages;

    // Starts decoding the background picture on a thread of its own, once.
    void startDecodingPictures();
    // Waits for that decoding, or decodes the picture here if it was never
    // started.
    void waitForPictures();

    // Test seam: the source of chance for new games and the computer's
    // tie-breaks (null restores the clock-seeded one). Not owned.
    void setRandomSource(tavlo::RandomSource *source);

    // ---- handlers ----------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormPaint(QPainter &canvas);
    void FormClick();
    void TabPionDrawCell(QPainter &canvas, int column, int row, const QRect &rect);
    // Every press on the board, a player's or an injected one, comes here
    // with its position in board pixels. Defined with the turn cycle.
    void TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // Moves the pointer into the cell and presses there; the press arrives
    // after the running handler returns. Defined with the turn cycle.
    void PlayAt(int column, int row);

    // ---- the turn cycle's steps, in the order a press runs them --------
    // Places the colour to move at the square and turns what it brackets;
    // false when the run went stale meanwhile and the move was abandoned.
    bool playMove(const tavlo::MoveRun &run, int column, int row);
    // Hands the turn over, or back with "Bloque" when the other colour must
    // pass, and announces the move at (column, row) that turned flipped
    // discs; shows the result when neither can go on. False once it is over.
    bool passOrEnd(int column, int row, int flipped);
    // After the computer's wait, chooses black's square and sends the hand
    // there, unless the wait left the run stale or white to move.
    void letComputerAnswer(const tavlo::MoveRun &run);

    void Facile1Click();
    void Difficile1Click();
    // These four run after the menu inverted the item's own check, as a
    // click on it in the menu (QAction::trigger) does.
    void Ordinateur1Click();
    void Humain1Click();
    void Jouerson1Click();
    void Afficherpossibilits1Click();
    void Aide1Click();
    void Quitter1Click();

    // ---- animation, sounds, hints -------------------------------------
    // Turns a disc on a surface towards kind (1 white: frames 1..7, 2 black:
    // frames 7..1, anything else: no frame), 50 ms before each frame, with
    // a "Click" at the start when "Jouer son" is checked. Busy is raised
    // throughout. A new game started meanwhile ends it without more frames.
    void AnimateDisc(int kind, tavlo::Surface &surface, const QRect &rect,
                     tavlo::SoundPlayer::Interrupt interrupt = tavlo::SoundPlayer::Interrupt::Yes);
    // The turn indicator turns towards colour. Its click never cuts off a
    // sound still playing, so a pass's "Bloque" is heard whole.
    void animateIndicator(int colour);
    // Plays an embedded sound when "Jouer son" is checked.
    void playSound(const QString &name,
                   tavlo::SoundPlayer::Interrupt interrupt = tavlo::SoundPlayer::Interrupt::Yes);
    // Marks the listed moves with their flip counts on the board's surface,
    // when hints are on and either two humans play or it is white's list.
    void DrawHints(int player, const tavlo::MoveList &moves);

    // The rules' operations as the window runs them (repaint, hints,
    // counters and indicator included).
    bool ListMoves(int player) { return m_game->ListMoves(player); }
    void NewGame() { m_game->NewGame(); }
    tavlo::DiscCount CountDiscs() { return m_game->CountDiscs(); }
    bool IsGameOver() { return m_game->IsGameOver(); }

    // Writes the result text into the result window and shows it in front.
    void showResult(const QString &text);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    // A close asked by the window manager ends the program like "Quitter".
    void closeEvent(QCloseEvent *event) override;

private:
    // Forwards to the clock-seeded generator or to a test's source.
    class RandomSwitch : public tavlo::RandomSource {
    public:
        int draw(int n) override { return (target ? *target : own).draw(n); }
        tavlo::ClockRandom own;
        tavlo::RandomSource *target{nullptr};
    };

    void connectMenu();
    // The counters' names for screen readers: "Blancs : N", "Noirs : N".
    void nameCounters(int white, int black);
    tavlo::GameView makeView();

    RandomSwitch m_random;
    std::future<QImage> m_background;
    bool m_backgroundStarted{false};
    std::unique_ptr<tavlo::Game> m_game;
    bool m_splashDone{false};
};

// The program's main window, or null when there is none.
extern TMain *Main;
