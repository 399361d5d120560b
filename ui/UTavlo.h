#pragma once

#include "game/Game.h"
#include "media/pictures/Backdrop.h"
#include "media/sound/SoundPlayer.h"
#include "ui/Testing.h"
#include "ui/board/Surface.h"
#include "ui/turn/TurnCycle.h"
#include "ui_TMain.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <future>
#include <memory>

// The game's one working window: background picture, board, counters, turn
// indicator and the right-click menu. It owns the whole game state for the
// run. Handlers keep their toolkit names; those of the turn cycle
// (TabPionMouseDown, PlayAt, AnimateDisc, DrawHints) hand over to
// tavlo::TurnCycle.
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
    // The turn cycle raises and lowers it.
    bool Busy{false};
    // The first-activation work is still to do.
    bool FirstActivation{true};
    // Decoded while the splash shows; ready once the window is shown (or
    // after waitForPictures()). Once the window has been painted whole, only
    // the parts that show through its controls are kept.
    tavlo::Backdrop BackgroundBitmap;
    // 0 the empty square, 1 black, 2..6 turning, 7 white.
    std::array<QImage, 8> DiscImages;

    // Starts decoding the background picture on a thread of its own, once.
    void startDecodingPictures();
    // Waits for that decoding, or decodes the picture here if it was never
    // started.
    void waitForPictures();

    // ---- handlers ----------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormPaint(QPainter &canvas, const QRect &rect);
    void FormClick();
    void TabPionDrawCell(QPainter &canvas, int column, int row, const QRect &rect);
    // Every press on the board, a player's or an injected one, comes here
    // with its position in board pixels, and plays one move to the end.
    void TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // Moves the pointer into the cell and presses there; the press arrives
    // after the running handler returns.
    void PlayAt(int column, int row) { m_cycle->PlayAt(column, row); }

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

    // ---- animation and hints, as the turn cycle draws them ------------
    void AnimateDisc(int kind, tavlo::Surface &surface, const QRect &rect,
                     tavlo::SoundPlayer::Interrupt interrupt = tavlo::SoundPlayer::Interrupt::Yes)
    {
        m_cycle->AnimateDisc(kind, surface, rect, interrupt);
    }
    void animateIndicator(int colour) { m_cycle->animateIndicator(colour); }
    void DrawHints(int player, const tavlo::MoveList &moves) { m_cycle->DrawHints(player, moves); }

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

    friend void tavlo::testing::setRandomSource(TMain &main, tavlo::RandomSource *source);

    void connectMenu();
    // The counters' names for screen readers: "Blancs : N", "Noirs : N".
    void nameCounters(int white, int black);
    // Where the background shows through a control, to be painted again
    // whenever that control repaints.
    QList<QRect> backgroundShownThrough() const;
    // The menu's check marks, read whenever the turn cycle needs them.
    tavlo::TurnSettings turnSettings() const;
    tavlo::TurnCycle::Parts cycleParts();

    RandomSwitch m_random;
    std::future<QImage> m_background;
    bool m_backgroundStarted{false};
    std::unique_ptr<tavlo::Game> m_game;
    std::unique_ptr<tavlo::TurnCycle> m_cycle;
    bool m_splashDone{false};
};

// The program's main window, or null when there is none.
extern TMain *Main;
