// The turn cycle: whole games through the board's press handler, passes, the
// three endings, the computer's delivery through PlayAt, and what happens
// when presses and menu commands arrive in the middle of a move. Runs
// offscreen with the pause clock at zero, recording the waits the game asks
// for; sounds go to a fake output that names them.
#include "game/Result.h"
#include "media/pictures/Resources.h"
#include "media/sound/Wave.h"
#include "tests/support/WindowTest.h"
#include "ui/UFinal.h"
#include "ui/board/Announcer.h"
#include "ui/board/BoardAccessible.h"
#include "ui/turn/ComputerHand.h"

#include <QCursor>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <random>

using namespace tavlo;
using namespace tavlo::test;
using namespace tavlo::testing;

namespace {

// Names each sound it is asked to play. A click is over as soon as it
// starts; "Bloque" goes on until finish(), so a later request can be seen
// to cut it off or to leave it alone.
class SoundLog : public AudioOutput {
public:
    SoundLog()
        : m_click(readWave(resourceBytes(QStringLiteral("WAVE"), QStringLiteral("Click"))).pcm)
        , m_bloque(readWave(resourceBytes(QStringLiteral("WAVE"), QStringLiteral("Bloque"))).pcm)
    {
    }

    void start(const WaveSound &sound) override
    {
        const QString name = sound.pcm == m_click ? "Click" : sound.pcm == m_bloque ? "Bloque" : "?";
        started.append(name);
        m_bloquePlaying = name == "Bloque";
    }
    void stop() override
    {
        if (m_bloquePlaying)
            ++bloqueCut;
        m_bloquePlaying = false;
    }
    bool isPlaying() const override { return m_bloquePlaying; }
    void beep() override { started.append("beep"); }

    void clear()
    {
        started.clear();
        bloqueCut = 0;
        m_bloquePlaying = false;
    }
    int count(const QString &name) const { return int(started.count(name)); }

    QStringList started;
    int bloqueCut{0};

private:
    QByteArray m_click;
    QByteArray m_bloque;
    bool m_bloquePlaying{false};
};

SoundLog &sounds()
{
    return static_cast<SoundLog &>(SoundPlayer::instance().output());
}

// ---- a reference position, worked out apart from the game -----------------

struct Model {
    BoardSnapshot board{};
    int toMove{kWhite};
    bool over{false};
};

int discs(const BoardSnapshot &board, int colour)
{
    int n = 0;
    for (const auto &line : board)
        for (int v : line)
            n += v == colour ? 1 : 0;
    return n;
}

// What one move shows: each turned disc turns once, and the placed disc
// once more for each direction of every line that turned something.
struct Turned {
    int discs{0};
    int lines{0};
    int animations() const { return discs + 2 * lines; }
};

// Places player's disc and turns every bracketed run, direction by direction.
Turned applyMove(BoardSnapshot &board, int column, int row, int player)
{
    const int other = opponentOf(player);
    board[row][column] = player;
    Turned turned;
    bool lineTurned[3][3]{};
    for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
            if (dr == 0 && dc == 0)
                continue;
            int c = column + dc;
            int r = row + dr;
            int run = 0;
            while (onBoard(c, r) && board[r][c] == other) {
                c += dc;
                r += dr;
                ++run;
            }
            if (run == 0 || !onBoard(c, r) || board[r][c] != player)
                continue;
            for (int k = 1; k <= run; ++k)
                board[row + k * dr][column + k * dc] = player;
            turned.discs += run;
            // A line is its direction or the opposite one.
            const bool forward = dr > 0 || (dr == 0 && dc > 0);
            lineTurned[forward ? dr + 1 : 1 - dr][forward ? dc + 1 : 1 - dc] = true;
        }
    }
    for (const auto &line : lineTurned)
        turned.lines += int(std::count(std::begin(line), std::end(line), true));
    return turned;
}

bool gameOver(const BoardSnapshot &board)
{
    const int white = discs(board, kWhite);
    const int black = discs(board, kBlack);
    return white + black == 64 || white == 0 || black == 0
        || (!hasAnyMove(board, kWhite) && !hasAnyMove(board, kBlack));
}

// Hands the turn on after mover's move; returns whether the other colour
// had to pass.
bool advance(Model &model, int mover)
{
    const int other = opponentOf(mover);
    if (hasAnyMove(model.board, other)) {
        model.toMove = other;
        return false;
    }
    if (gameOver(model.board)) {
        model.over = true;
        return false;
    }
    model.toMove = mover;
    return true;
}

BoardSnapshot fromPicture(std::string_view picture)
{
    return Snapshot(MemoryGrid::fromPicture(picture));
}

// The position as eight rows of '.', 'W', 'B', for readable failures.
QString picture(const BoardSnapshot &board)
{
    QString text;
    for (const auto &line : board) {
        for (int v : line)
            text += v == kWhite ? 'W' : v == kBlack ? 'B' : '.';
        text += '\n';
    }
    return text;
}

// White's (2,0) leaves black without a move; white can go on at (3,7).
constexpr std::string_view kBlackMustPass = "WB...... ........ ........ ........ ........ ........ ........ WWB.....";
// The same with the colours swapped: black's (2,0) leaves white stuck, and
// black's only move then is (3,7), which takes white's last disc.
constexpr std::string_view kWhiteMustPass = "BW...... ........ ........ ........ ........ ........ ........ BBW.....";

} // namespace

// Keyboard: against the computer, white played with the arrow keys and
// Enter on the board alone.
enum class Mode { Computer, Human, Keyboard };

Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(tavlo::Level)

class TestTurnCycle : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TMain> m_main;
    std::unique_ptr<RandomSource> m_random;
    // How deeply the board's press handler is running right now.
    int m_depth{0};
    QList<int> m_depthAtPress;

    TMain &freshMain(std::unique_ptr<RandomSource> random, Mode mode, Level level = Level::Attacking)
    {
        m_random = std::move(random);
        m_main = showMain(*m_random);
        TMain &main = *m_main;
        new TFinal(&main);
        // The same road as the window's own wiring, counting the depth.
        main.TabPion->setMouseDown([this, &main](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
            m_depthAtPress.append(m_depth);
            ++m_depth;
            main.TabPionMouseDown(b, s, x, y);
            --m_depth;
        });
        if (mode == Mode::Human) {
            main.Humain1->trigger();
        } else if (level == Level::Defensive) {
            main.Difficile1->trigger();
        } else {
            main.Facile1->trigger();
        }
        settle();
        sounds().clear();
        return main;
    }

    // Walks the focus mark from where it is to a cell with the arrow keys,
    // then plays there with Enter.
    static void playByKeys(TMain &main, int column, int row)
    {
        StringGrid *board = main.TabPion;
        while (board->focusCell() != Square{column, row}) {
            const Square at = board->focusCell();
            const Qt::Key key = at.column < column ? Qt::Key_Right
                              : at.column > column ? Qt::Key_Left
                              : at.row < row       ? Qt::Key_Down
                                                   : Qt::Key_Up;
            QTest::keyClick(board, key);
            QVERIFY(board->focusCell() != at);
        }
        QVERIFY(board->focusMarkShown());
        QTest::keyClick(board, Qt::Key_Return);
    }

    static QString lastAnnouncement(TMain &main)
    {
        const auto *announcer = main.findChild<Announcer *>();
        return announcer ? announcer->lastText() : QString();
    }

    // Lets the queued presses of the computer's hand arrive and play.
    static void settle()
    {
        for (int i = 0; i < 40; ++i)
            QCoreApplication::processEvents();
    }

    static bool indicatorShows(TMain &main, int colour)
    {
        const QImage shown = rgb(main.PaintBoxJoueur->surface().copy(0, 0, 60, 60));
        return shown == rgb(main.DiscImages[colour == kWhite ? 7 : 1]);
    }

    // Everything the window shows about the position agrees with the model.
    static void checkShows(TMain &main, const Model &model)
    {
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(model.board));
        QCOMPARE(main.LabelPionB->caption(), QString::number(discs(model.board, kWhite)));
        QCOMPARE(main.LabelPionN->caption(), QString::number(discs(model.board, kBlack)));
        QCOMPARE(main.LabelPionB->accessibleName(), counterName(kWhite, discs(model.board, kWhite)));
        QCOMPARE(main.LabelPionN->accessibleName(), counterName(kBlack, discs(model.board, kBlack)));
        QVERIFY(!main.Busy);
        if (model.over) {
            const QString text = QString::fromStdString(
                resultText(discs(model.board, kWhite), discs(model.board, kBlack)));
            QVERIFY(Final->isVisible());
            QCOMPARE(Final->RxLabel1->caption(), text);
            QCOMPARE(Final->windowTitle(), text);
        } else {
            QCOMPARE(main.CurrentPlayer(), model.toMove);
            QVERIFY(indicatorShows(main, model.toMove));
            QCOMPARE(main.PaintBoxJoueur->accessibleName(), turnName(model.toMove));
            QVERIFY(!Final->isVisible());
        }
    }

    // Presses that cannot be a move: an occupied square, an empty square
    // that brackets nothing, the right button on a legal square.
    static void checkIgnoredPresses(TMain &main, const Model &model)
    {
        const MoveList legal = findMoves(model.board, model.toMove);
        const auto isLegal = [&](int column, int row) {
            return std::any_of(legal.begin(), legal.end(),
                               [&](const MoveRecord &m) { return m.column == column && m.row == row; });
        };
        std::optional<Square> occupied;
        std::optional<Square> bracketsNothing;
        for (int column = 0; column < 8; ++column)
            for (int row = 0; row < 8; ++row) {
                if (model.board[row][column] != kEmpty) {
                    if (!occupied)
                        occupied = Square{column, row};
                } else if (!isLegal(column, row) && !bracketsNothing) {
                    bracketsNothing = Square{column, row};
                }
            }
        QList<Square> tries;
        for (const auto &square : {occupied, bracketsNothing})
            if (square)
                tries.append(*square);
        sounds().clear();
        const int injected = injectedPressCount();
        for (const Square &square : tries)
            press(main, square.column, square.row);
        if (!legal.empty())
            press(main, legal.front().column, legal.front().row, Qt::RightButton);
        settle();
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(model.board));
        QCOMPARE(main.CurrentPlayer(), model.toMove);
        QCOMPARE(sounds().started, QStringList());
        QCOMPARE(injectedPressCount(), injected);
    }

    // Runs f once, from inside some pause of the running move, the first
    // time when() holds there.
    struct Trigger {
        QTimer timer;
        bool fired{false};
    };
    std::unique_ptr<Trigger> armTrigger(std::function<bool()> when, std::function<void()> f)
    {
        auto trigger = std::make_unique<Trigger>();
        Trigger *t = trigger.get();
        t->timer.setInterval(0);
        QObject::connect(&t->timer, &QTimer::timeout, [this, t, when, f] {
            if (t->fired || m_depth == 0 || !when())
                return;
            t->fired = true;
            f();
        });
        t->timer.start();
        return trigger;
    }

private slots:
    void initTestCase() { startWindowTests(std::make_unique<SoundLog>()); }

    void init()
    {
        sounds().clear();
        m_depth = 0;
        m_depthAtPress.clear();
    }

    void cleanup()
    {
        m_main.reset();
        m_random.reset();
    }

    // ---- whole games ------------------------------------------------

    void wholeGame_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Level>("level");
        QTest::addColumn<unsigned>("seed");
        QTest::newRow("two humans") << Mode::Human << Level::Defensive << 11u;
        QTest::newRow("two humans, another game") << Mode::Human << Level::Defensive << 12u;
        QTest::newRow("attacking computer") << Mode::Computer << Level::Attacking << 21u;
        QTest::newRow("attacking computer, another game") << Mode::Computer << Level::Attacking << 22u;
        QTest::newRow("defensive computer") << Mode::Computer << Level::Defensive << 31u;
        QTest::newRow("defensive computer, another game") << Mode::Computer << Level::Defensive << 32u;
        QTest::newRow("attacking computer, from the keyboard") << Mode::Keyboard << Level::Attacking << 23u;
        QTest::newRow("defensive computer, from the keyboard") << Mode::Keyboard << Level::Defensive << 33u;
    }

    void wholeGame()
    {
        QFETCH(Mode, mode);
        QFETCH(Level, level);
        QFETCH(unsigned, seed);

        TMain &main = freshMain(std::make_unique<ClockRandom>(seed), mode, level);
        QCOMPARE(main.Level(), level);
        // The test's twin of the game's generator: the new game's layout was
        // one draw.
        ClockRandom foresee(seed);
        foresee.draw(2);
        std::mt19937 player(seed);

        Model model;
        model.board = Snapshot(*main.TabPion);
        QVERIFY(model.board == fromPicture(kParallel) || model.board == fromPicture(kCrossed));
        checkShows(main, model);

        int moves = 0;
        int passes = 0;
        while (!model.over) {
            QVERIFY2(moves < 70, "the game does not end");
            checkIgnoredPresses(main, model);
            if (QTest::currentTestFailed())
                return;

            const MoveList legal = findMoves(model.board, model.toMove);
            QVERIFY(!legal.empty());
            const MoveRecord pick = legal[std::size_t(player() % legal.size())];
            const int mover = model.toMove;
            const int injected = injectedPressCount();
            sounds().clear();
            PauseLog pauses;
            if (mode == Mode::Keyboard) {
                QCOMPARE(QApplication::focusWidget(), main.TabPion);
                playByKeys(main, pick.column, pick.row);
                if (QTest::currentTestFailed())
                    return;
            } else {
                press(main, pick.column, pick.row);
            }
            // The computer's press is queued, not played inside this run.
            const int queued = injectedPressCount() - injected;
            settle();

            // Each move turns its discs, then, unless the game is over, the
            // indicator, and against the computer the computer's wait
            // (whoever is to move next). Each disc's turn starts with a click.
            QList<double> expectedPauses;
            const auto shown = [&](Turned turned) {
                expectedPauses += discTurnPauses(turned.animations() + (model.over ? 0 : 1));
                if (mode != Mode::Human && !model.over)
                    expectedPauses.append(500);
            };
            const Turned turned = applyMove(model.board, pick.column, pick.row, mover);
            ++moves;
            int expectedPasses = advance(model, mover) ? 1 : 0;
            shown(turned);
            int computerMoves = 0;
            // In computer mode black answers by itself, again after each of
            // white's passes.
            while (mode != Mode::Human && !model.over && model.toMove == kBlack) {
                const auto square = ChooseComputerMove(findMoves(model.board, kBlack), level, foresee);
                QVERIFY(square);
                const Turned answer = applyMove(model.board, square->column, square->row, kBlack);
                ++moves;
                ++computerMoves;
                expectedPasses += advance(model, kBlack) ? 1 : 0;
                shown(answer);
            }
            checkShows(main, model);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(queued, computerMoves > 0 ? 1 : 0);
            QCOMPARE(injectedPressCount() - injected, computerMoves);
            if (computerMoves > 0) {
                const auto last = lastInjectedPress();
                QVERIFY(last);
                QCOMPARE(QString::fromStdString(main.TabPion->cellText(last->column, last->row)), QStringLiteral("2"));
                // The mark follows the computer's hand.
                QCOMPARE(main.TabPion->focusCell(), (Square{last->column, last->row}));
                QVERIFY(lastAnnouncement(main).startsWith("Noir joue " + squareName(last->column, last->row) + ", "));
            } else {
                QVERIFY(lastAnnouncement(main).startsWith(
                    (mover == kWhite ? "Blanc joue " : "Noir joue ") + squareName(pick.column, pick.row) + ", "));
            }
            QCOMPARE(pauses.asked, expectedPauses);
            QCOMPARE(sounds().count("Bloque"), expectedPasses);
            // The indicator's click after a pass leaves "Bloque" playing.
            QCOMPARE(sounds().count("Click"), int(expectedPauses.count(50.0)) / 7 - expectedPasses);
            QVERIFY(!sounds().started.contains("beep"));
            passes += expectedPasses;
        }
        QVERIFY(moves > 8);
        // Every press, the player's and the computer's, ran on its own.
        QCOMPARE(m_depthAtPress.count(0), m_depthAtPress.size());
        // Every later press finds nothing to play.
        const BoardSnapshot end = Snapshot(*main.TabPion);
        for (int column = 0; column < 8; ++column)
            for (int row = 0; row < 8; ++row)
                if (end[row][column] == kEmpty)
                    press(main, column, row);
        settle();
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(end));
        qDebug("%d moves, %d passes, %d-%d", moves, passes, discs(end, kWhite), discs(end, kBlack));
    }

    // ---- passes -----------------------------------------------------

    void passes_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("mover");
        QTest::newRow("black passes, computer mode") << Mode::Computer << QString(kBlackMustPass.data()) << kWhite;
        QTest::newRow("black passes, two humans") << Mode::Human << QString(kBlackMustPass.data()) << kWhite;
        QTest::newRow("white passes, two humans") << Mode::Human << QString(kWhiteMustPass.data()) << kBlack;
        QTest::newRow("white passes, computer mode") << Mode::Computer << QString(kWhiteMustPass.data()) << kBlack;
    }

    void passes()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, picture);
        QFETCH(int, mover);

        TMain &main = freshMain(std::make_unique<ScriptedRandom>(), mode);
        setPosition(main, picture.toStdString(), mover);
        const int injected = injectedPressCount();
        sounds().clear();
        press(main, 2, 0);

        // Before the computer's hand has played anything: the mover keeps
        // the turn, and the indicator's click left "Bloque" alone.
        QCOMPARE(main.CurrentPlayer(), mover);
        QVERIFY(indicatorShows(main, mover));
        QCOMPARE(sounds().count("Bloque"), 1);
        QCOMPARE(sounds().started.last(), QStringLiteral("Bloque"));
        QCOMPARE(sounds().bloqueCut, 0);
        QVERIFY(!Final->isVisible());
        // The move and the pass it causes are told in one breath.
        QCOMPARE(lastAnnouncement(main), mover == kWhite ? QStringLiteral("Blanc joue c1, 1 pion retourné. Noir passe son tour")
                                                         : QStringLiteral("Noir joue c1, 1 pion retourné. Blanc passe son tour"));

        const bool computerAgain = mode == Mode::Computer && mover == kBlack;
        QCOMPARE(injectedPressCount() - injected, computerAgain ? 1 : 0);
        settle();

        Model model;
        model.board = fromPicture(picture.toStdString());
        applyMove(model.board, 2, 0, mover);
        QVERIFY(advance(model, mover));
        if (computerAgain) {
            // Black's only move takes white's last disc.
            QCOMPARE(lastInjectedPress()->column, 3);
            QCOMPARE(lastInjectedPress()->row, 7);
            applyMove(model.board, 3, 7, kBlack);
            advance(model, kBlack);
            QVERIFY(model.over);
            QCOMPARE(Final->RxLabel1->caption(), QStringLiteral("Désolé, j'ai gagné avec un score de 7"));
        } else {
            QCOMPARE(injectedPressCount(), injected);
        }
        checkShows(main, model);

        // With sound off a pass is silent.
        if (mode == Mode::Human) {
            main.Jouerson1->trigger();
            QVERIFY(!main.Jouerson1->isChecked());
            setPosition(main, picture.toStdString(), mover);
            sounds().clear();
            press(main, 2, 0);
            QCOMPARE(main.CurrentPlayer(), mover);
            QCOMPARE(sounds().started, QStringList());
        }
    }

    // ---- endings ----------------------------------------------------

    void endings_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("mover");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("white");
        QTest::addColumn<int>("black");

        // (7,0) turns 6 along the row, 3 down and 3 down-left.
        QTest::newRow("full board, white wins")
            << Mode::Computer
            << "WBBBBBB. BBBBBBBB BBBBBBBB BBBBBBBB WWWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW"
            << kWhite << 7 << 0 << QStringLiteral("Bravo, vous avez gagné avec un score de 46") << 46 << 18;
        QTest::newRow("full board, black wins between two humans")
            << Mode::Human
            << "BWWWWWW. WWWWWWWW WWWWWWWW WWWWWWWW BBBBBBBB BBBBBBBB BBBBBBBB BBBBBBBB"
            << kBlack << 7 << 0 << QStringLiteral("Désolé, j'ai gagné avec un score de 46") << 18 << 46;
        // Only the row turns: the cells below and below-left are white.
        QTest::newRow("full board, draw")
            << Mode::Computer
            << "WBBBBBB. WWWWWWWW WWWWWWWW WWWWWWWW BBBBBBBB BBBBBBBB BBBBBBBB BBBBBBBB"
            << kWhite << 7 << 0 << QStringLiteral("Egalité, on peut recommencer si vous avez encore envie") << 32
            << 32;
        QTest::newRow("black wiped out")
            << Mode::Computer
            << "WB...... ........ ........ ........ ........ ........ ........ ........"
            << kWhite << 2 << 0 << QStringLiteral("Bravo, vous avez gagné avec un score de 3") << 3 << 0;
        // A player's press for black while black is to move in computer mode.
        QTest::newRow("white wiped out")
            << Mode::Computer
            << "BW...... ........ ........ ........ ........ ........ ........ ........"
            << kBlack << 2 << 0 << QStringLiteral("Désolé, j'ai gagné avec un score de 3") << 0 << 3;
        // Afterwards black's corner can never be bracketed and no black disc
        // lines up with white's: neither colour can move.
        QTest::newRow("neither colour can move")
            << Mode::Computer
            << "WB...... ........ ........ ........ ........ ........ ........ B......W"
            << kWhite << 2 << 0 << QStringLiteral("Bravo, vous avez gagné avec un score de 4") << 4 << 1;
    }

    void endings()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, picture);
        QFETCH(int, mover);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(int, white);
        QFETCH(int, black);

        TMain &main = freshMain(std::make_unique<ScriptedRandom>(), mode);
        setPosition(main, picture.toStdString(), mover);
        const int injected = injectedPressCount();
        press(main, column, row);
        settle();

        QVERIFY(Final->isVisible());
        QCOMPARE(Final->RxLabel1->caption(), text);
        QCOMPARE(Final->windowTitle(), text);
        QCOMPARE(main.LabelPionB->caption(), QString::number(white));
        QCOMPARE(main.LabelPionN->caption(), QString::number(black));
        // An end is not a pass, and nobody is asked to move any more.
        QCOMPARE(sounds().count("Bloque"), 0);
        QCOMPARE(injectedPressCount(), injected);

        Model model;
        model.board = fromPicture(picture.toStdString());
        applyMove(model.board, column, row, mover);
        model.over = true;
        QVERIFY(gameOver(model.board));
        checkShows(main, model);

        // The window can be closed, and a new game does not bring it back.
        Final->Image1Click();
        main.Facile1->trigger();
        QVERIFY(!Final->isVisible());
    }

    // ---- the computer's hand ----------------------------------------

    void normalisedPointerPosition_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("origin") << QPoint(0, 0) << QSize(800, 600) << QPoint(0, 0);
        QTest::newRow("last pixel") << QPoint(799, 599) << QSize(800, 600) << QPoint(65453, 65426);
        QTest::newRow("a cell on 1024 x 768") << QPoint(300, 200) << QSize(1024, 768) << QPoint(19200, 17066);
        // 32767.5 goes up to the even 32768, 98302.5 down to the even 98302.
        QTest::newRow("halves to even, up") << QPoint(512, 384) << QSize(1024, 768) << QPoint(32768, 32768);
        QTest::newRow("halves to even, down") << QPoint(1, 3) << QSize(2, 2) << QPoint(32768, 98302);
        QTest::newRow("no screen") << QPoint(10, 10) << QSize(0, 0) << QPoint(0, 0);
    }

    void normalisedPointerPosition()
    {
        QFETCH(QPoint, point);
        QFETCH(QSize, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(tavlo::normalisedPointerPosition(point, screen), expected);
    }

    void playAtPoint_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::newRow("top-left corner") << 0 << 0;
        QTest::newRow("bottom-right corner") << 7 << 7;
        QTest::newRow("inside") << 3 << 5;
        QTest::newRow("right edge") << 7 << 2;
    }

    void playAtPoint()
    {
        QFETCH(int, column);
        QFETCH(int, row);
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(), Mode::Human);

        struct Press {
            Qt::MouseButton button;
            QPoint at;
            int depth;
        };
        QList<Press> presses;
        main.TabPion->setMouseDown([&](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
            presses.append({b, QPoint(x, y), m_depth});
        });

        // The sending handler: PlayAt is the last thing it does.
        bool pressedInside = true;
        QTimer::singleShot(0, &main, [&] {
            ++m_depth;
            main.PlayAt(column, row);
            pressedInside = !presses.isEmpty();
            --m_depth;
        });
        QTRY_VERIFY(!presses.isEmpty());
        QVERIFY(!pressedInside);
        settle();

        QCOMPARE(presses.size(), 1);
        QCOMPARE(presses[0].button, Qt::LeftButton);
        QCOMPARE(presses[0].depth, 0);
        QCOMPARE(presses[0].at, QPoint(60 * column + 20, 60 * row + 20));

        const auto sent = lastInjectedPress();
        QVERIFY(sent);
        QCOMPARE(sent->column, column);
        QCOMPARE(sent->row, row);
        QCOMPARE(sent->client, QPoint(277 + 60 * column, 93 + 60 * row));
        const QPoint screenPoint = main.mapToGlobal(sent->client + QPoint(20, 20));
        QCOMPARE(sent->screen, screenPoint);
        const QSize screenSize = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(sent->normalised, tavlo::normalisedPointerPosition(screenPoint, screenSize));
        // The pointer stays where it was moved.
        QCOMPARE(QCursor::pos(), screenPoint);
    }

    // With the board hidden by the help, the computer's press lands on the
    // background: the board comes back and black is still to move, for the
    // player's next press to play.
    void computerPressOnHiddenBoard()
    {
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(std::deque<int>{0}), Mode::Computer);
        setPosition(main, kParallel, kBlack);
        main.Aide1->trigger();
        QVERIFY(!main.TabPion->isVisible());
        main.PlayAt(2, 3);
        settle();
        QVERIFY(main.TabPion->isVisible());
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(fromPicture(kParallel)));
        QCOMPARE(main.CurrentPlayer(), kBlack);
        press(main, 2, 3);
        QCOMPARE(QString::fromStdString(main.TabPion->cellText(2, 3)), QStringLiteral("2"));
    }

    // ---- re-entrancy ------------------------------------------------

    void newGameDuringMove_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("inWait");
        // White's (5,4) on the parallel start: three animations, the placed
        // disc, the turned disc, the placed disc again.
        QTest::newRow("first animation") << 1 << false;
        QTest::newRow("second animation") << 2 << false;
        QTest::newRow("last animation") << 3 << false;
        QTest::newRow("the computer's wait") << 0 << true;
    }

    void newGameDuringMove()
    {
        QFETCH(int, clicks);
        QFETCH(bool, inWait);
        // The first game starts parallel, the one chosen mid-move crossed.
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(std::deque<int>{0, 1}), Mode::Computer);
        const std::uint64_t game = main.game().gameNumber();
        const int injected = injectedPressCount();

        auto trigger = armTrigger(
            [&] {
                if (inWait)
                    return !main.Busy && main.CurrentPlayer() == kBlack;
                return main.Busy && sounds().count("Click") == clicks;
            },
            [&] { main.Facile1->trigger(); });
        press(main, 5, 4);
        QVERIFY(trigger->fired);
        settle();

        QCOMPARE(main.game().gameNumber(), game + 1);
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(fromPicture(kCrossed)));
        QCOMPARE(main.CurrentPlayer(), kWhite);
        QCOMPARE(main.LabelPionB->caption(), QStringLiteral("2"));
        QCOMPARE(main.LabelPionN->caption(), QStringLiteral("2"));
        QVERIFY(indicatorShows(main, kWhite));
        QVERIFY(!main.Busy);
        QCOMPARE(injectedPressCount(), injected);
        QVERIFY(!Final->isVisible());
        // No frame of the abandoned move is left on the new board.
        QTest::qWait(20);
        QCOMPARE(markedCells(main), QList<Square>{});

        // The new game plays normally: white's move, then black's answer.
        press(main, 2, 4);
        settle();
        QCOMPARE(QString::fromStdString(main.TabPion->cellText(2, 4)), QStringLiteral("1"));
        QCOMPARE(main.CurrentPlayer(), kWhite);
        QCOMPARE(injectedPressCount(), injected + 1);
    }

    // A press during any animation of a move is lost, even on a square legal
    // for the colour to move then.
    void pressDuringMove_data()
    {
        QTest::addColumn<int>("pressFor");
        QTest::addColumn<QPoint>("square");
        QTest::newRow("during a disc's turn") << kWhite << QPoint(5, 5);
        QTest::newRow("during the indicator's turn") << kBlack << QPoint(2, 2);
    }

    void pressDuringMove()
    {
        QFETCH(int, pressFor);
        QFETCH(QPoint, square);
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(std::deque<int>{0}), Mode::Human);

        // White plays (5,3) on the parallel start.
        Model model;
        model.board = fromPicture(kParallel);
        applyMove(model.board, 5, 3, kWhite);
        advance(model, kWhite);
        auto trigger = armTrigger([&] { return main.Busy && main.CurrentPlayer() == pressFor; },
                                  [&] {
                                      QVERIFY(main.game().examineMove(square.x(), square.y()).any());
                                      press(main, square.x(), square.y());
                                  });
        press(main, 5, 3);
        QVERIFY(trigger->fired);
        settle();
        checkShows(main, model);
    }

    // A press for white during the computer's wait after black's move plays
    // at once; the computer answers it once, not twice.
    void whiteMovesDuringTheWaitAfterBlack()
    {
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(std::deque<int>{0}), Mode::Computer);
        const int injected = injectedPressCount();
        Square whitePress{};
        auto trigger = armTrigger(
            [&] { return !main.Busy && main.CurrentPlayer() == kWhite && injectedPressCount() == injected + 1; },
            [&] {
                const MoveList legal = findMoves(Snapshot(*main.TabPion), kWhite);
                whitePress = {legal.front().column, legal.front().row};
                press(main, whitePress.column, whitePress.row);
            });
        press(main, 5, 3);
        settle();
        QVERIFY(trigger->fired);
        QCOMPARE(injectedPressCount(), injected + 2);
        QCOMPARE(main.CurrentPlayer(), kWhite);
        const BoardSnapshot board = Snapshot(*main.TabPion);
        QVERIFY(board[whitePress.row][whitePress.column] != kEmpty);
        // Two moves each: 2 + 2 + 2 placed discs, whatever turned.
        QCOMPARE(discs(board, kWhite) + discs(board, kBlack), 8);
    }

    // What the player does while the computer answers white's (5,3): in its
    // wait, or in its hand's one event pass, after the square was chosen. A
    // press for black plays at once; a switch to "Humain" leaves black's move
    // to the player. Either way the computer's own press is not sent.
    void whileTheComputerAnswers_data()
    {
        QTest::addColumn<bool>("inHand");
        QTest::addColumn<bool>("switchOpponent");
        QTest::newRow("a press during the wait") << false << false;
        QTest::newRow("a press while the pointer moves") << true << false;
        QTest::newRow("Humain during the wait") << false << true;
        QTest::newRow("Humain while the pointer moves") << true << true;
    }

    void whileTheComputerAnswers()
    {
        QFETCH(bool, inHand);
        QFETCH(bool, switchOpponent);
        auto random = std::make_unique<ScriptedRandom>();
        ScriptedRandom *watch = random.get();
        TMain &main = freshMain(std::move(random), Mode::Computer);
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(fromPicture(kParallel)));
        const std::uint64_t game = main.game().gameNumber();
        bool chosen = false;
        watch->onDraw = [&] { chosen = chosen || main.CurrentPlayer() == kBlack; };
        const int injected = injectedPressCount();
        auto trigger = armTrigger(
            [&] { return inHand ? chosen : !main.Busy && main.CurrentPlayer() == kBlack; },
            [&] { switchOpponent ? main.Ordinateur1->trigger() : press(main, 2, 2); });
        press(main, 5, 3);
        QVERIFY(trigger->fired);
        settle();

        Model model;
        model.board = fromPicture(kParallel);
        applyMove(model.board, 5, 3, kWhite);
        advance(model, kWhite);
        if (!switchOpponent) {
            applyMove(model.board, 2, 2, kBlack);
            advance(model, kBlack);
        }
        QCOMPARE(injectedPressCount(), injected);
        checkShows(main, model);
        QCOMPARE(main.Humain1->isChecked(), switchOpponent);
        QCOMPARE(main.game().gameNumber(), game);
        if (switchOpponent) {
            press(main, 2, 2);
            QCOMPARE(main.CurrentPlayer(), kWhite);
        }
    }

    // Menu commands work in the middle of a flip, and the move goes on.
    void soundSwitchedOffDuringFlip()
    {
        TMain &main = freshMain(std::make_unique<ScriptedRandom>(std::deque<int>{0}), Mode::Human);
        auto trigger = armTrigger([&] { return main.Busy && sounds().count("Click") == 1; },
                                  [&] { main.Jouerson1->trigger(); });
        press(main, 5, 3);
        QVERIFY(trigger->fired);
        QVERIFY(!main.Jouerson1->isChecked());
        QCOMPARE(sounds().started, QStringList{"Click"});
        Model model;
        model.board = fromPicture(kParallel);
        applyMove(model.board, 5, 3, kWhite);
        advance(model, kWhite);
        checkShows(main, model);
    }

    // No game yet: every press is ignored.
    void pressBeforeTheFirstGame()
    {
        m_main = std::make_unique<TMain>();
        TMain &main = *m_main;
        new TFinal(&main);
        main.show();
        settle();
        QCOMPARE(main.CurrentPlayer(), 0);
        setPosition(main, kParallel, 0);
        sounds().clear();
        for (int column = 0; column < 8; ++column)
            for (int row = 0; row < 8; ++row)
                press(main, column, row);
        settle();
        QCOMPARE(picture(Snapshot(*main.TabPion)), picture(fromPicture(kParallel)));
        QCOMPARE(sounds().started, QStringList());
    }
};

QTEST_MAIN(TestTurnCycle)
#include "tst_turncycle.moc"
