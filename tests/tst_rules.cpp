#include "game/Board.h"
#include "game/Game.h"
#include "game/Result.h"
#include "game/Rules.h"
#include "tests/support/TestRandom.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <array>
#include <deque>
#include <random>

using namespace tavlo;

namespace {

// Everything the rules showed on the screen, in order.
struct ScreenLog {
    QStringList events;
    GameView view(BoardGrid& grid)
    {
        GameView v;
        v.animateCell = [this, &grid](int c, int r, int colour) {
            // The cell must already hold its new text when its animation starts.
            const bool written = grid.cellText(c, r) == std::string(colourText(colour));
            events << QStringLiteral("anim %1,%2 %3%4").arg(c).arg(r).arg(colour).arg(written ? "" : " UNWRITTEN");
        };
        v.animateIndicator = [this](int colour) { events << QStringLiteral("indicator %1").arg(colour); };
        v.setCounters = [this](int w, int b) { events << QStringLiteral("counters %1 %2").arg(w).arg(b); };
        v.repaintBoard = [this] { events << QStringLiteral("repaint"); };
        v.drawHints = [this](int player, const MoveList& moves) {
            events << QStringLiteral("hints %1 %2").arg(player).arg(moves.size());
        };
        return v;
    }
};

QString picture(const MemoryGrid& grid)
{
    return QString::fromStdString(grid.picture());
}

QString movesText(const MoveList& moves)
{
    QStringList parts;
    for (const MoveRecord& m : moves)
        parts << QStringLiteral("%1,%2:%3").arg(m.column).arg(m.row).arg(m.flips);
    return parts.join(' ');
}

// An independent reference: a plain 8 x 8 array with the textbook walk.
struct Reference {
    std::array<std::array<int, 8>, 8> cell{}; // [row][column]

    static Reference from(const BoardGrid& grid)
    {
        Reference ref;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                ref.cell[r][c] = grid.cellText(c, r) == "1" ? 1 : grid.cellText(c, r) == "2" ? 2 : 0;
        return ref;
    }
    // Discs turned in direction (dr, dc) by player at (c, r).
    int run(int player, int c, int r, int dr, int dc) const
    {
        const int other = player == 1 ? 2 : 1;
        int n = 0;
        int rr = r + dr, cc = c + dc;
        while (rr >= 0 && rr < 8 && cc >= 0 && cc < 8 && cell[rr][cc] == other) {
            ++n;
            rr += dr;
            cc += dc;
        }
        if (n > 0 && rr >= 0 && rr < 8 && cc >= 0 && cc < 8 && cell[rr][cc] == player)
            return n;
        return 0;
    }
    std::array<int, 9> counts(int player, int c, int r) const
    {
        std::array<int, 9> out{};
        if (cell[r][c] != 0)
            return out;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc)
                if (dr || dc)
                    out[(dr + 1) * 3 + dc + 1] = run(player, c, r, dr, dc);
        return out;
    }
    int flips(int player, int c, int r) const
    {
        int t = 0;
        for (int v : counts(player, c, r))
            t += v;
        return t;
    }
    void play(int player, int c, int r)
    {
        const auto n = counts(player, c, r);
        cell[r][c] = player;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc)
                for (int k = 1; k <= n[(dr + 1) * 3 + dc + 1]; ++k)
                    cell[r + k * dr][c + k * dc] = player;
    }
    bool hasMove(int player) const
    {
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                if (flips(player, c, r) > 0)
                    return true;
        return false;
    }
    bool sameAs(const BoardGrid& grid) const { return Reference::from(grid).cell == cell; }
};

} // namespace

class TestRules : public QObject {
    Q_OBJECT

private slots:
    void directionCounts_data();
    void directionCounts();
    void lineFlags_data();
    void lineFlags();
    void listMovesColumnMajor();
    void listMovesNothingFoundStillRepaints();
    void moveListKeepsMoreThanTwentyMoves();
    void flipLinesOrder_data();
    void flipLinesOrder();
    void flipLinesAbandonedWhenStale();
    void countDiscs();
    void isGameOver_data();
    void isGameOver();
    void newGameLayouts_data();
    void newGameLayouts();
    void newGameLayoutsAreDrawnEvenly();
    void examineMove();
    void randomGamesMatchReference();
    void resultText_data();
    void resultText();
};

void TestRules::directionCounts_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<int>("player");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("counts");

    // Each board marks the empty square the player considers.
    QTest::newRow("bracket to the right")
        << "........ ........ ........ ..xBBW.. ........ ........ ........ ........"
        << 1 << 2 << 3 << QList<int>{0, 0, 0, 0, 0, 2, 0, 0, 0};
    QTest::newRow("run reaching the edge")
        << "........ ........ ........ ..xBBBBB ........ ........ ........ ........"
        << 1 << 2 << 3 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("run ending at an empty square")
        << "........ ........ ........ ..xBB.W. ........ ........ ........ ........"
        << 1 << 2 << 3 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("closed right next to the square")
        << "........ ........ ........ ..xWBBW. ........ ........ ........ ........"
        << 1 << 2 << 3 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("edge square walking off the board")
        << "xBBW.... B....... B....... W....... ........ ........ ........ ........"
        << 1 << 0 << 0 << QList<int>{0, 0, 0, 0, 0, 2, 0, 2, 0};
    QTest::newRow("black brackets white")
        << "........ ...W.... ...W.... ...x.... ...W.... ...B.... ........ ........"
        << 2 << 3 << 3 << QList<int>{0, 0, 0, 0, 0, 0, 0, 1, 0};
    QTest::newRow("all eight directions")
        << "W..W..W. .B.B.B.. ..BBB... WBBxBBBW ..BBB... .B.B.B.. W..W..W. ........"
        << 1 << 3 << 3 << QList<int>{2, 2, 2, 2, 0, 3, 2, 2, 2};
    QTest::newRow("longest run across the board")
        << "xBBBBBBW ........ ........ ........ ........ ........ ........ ........"
        << 1 << 0 << 0 << QList<int>{0, 0, 0, 0, 0, 6, 0, 0, 0};
}

void TestRules::directionCounts()
{
    QFETCH(QString, board);
    QFETCH(int, player);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QList<int>, counts);

    const MemoryGrid grid = MemoryGrid::fromPicture(board.replace('x', '.').toStdString());
    BoardSnapshot snapshot = Snapshot(grid);
    snapshot[row][column] = player;
    const FlipCounts got = DirectionCounts(opponentOf(player), column, row, snapshot);
    QCOMPARE(QList<int>(got.begin(), got.end()), counts);
    QCOMPARE(countsForMove(Snapshot(grid), player, column, row), got);
}

void TestRules::lineFlags_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<int>("total");

    QTest::newRow("nothing") << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0} << 1 << 0u << 0;
    QTest::newRow("left only: row line") << QList<int>{0, 0, 0, 2, 0, 0, 0, 0, 0} << 1 << 0x1u << 2;
    QTest::newRow("both sides of the row, flagged once") << QList<int>{0, 0, 0, 2, 0, 1, 0, 0, 0} << 1 << 0x1u << 3;
    QTest::newRow("down-right: main diagonal") << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 4} << 1 << 0x100u << 4;
    QTest::newRow("up: column") << QList<int>{0, 1, 0, 0, 0, 0, 0, 0, 0} << 1 << 0x10000u << 1;
    QTest::newRow("up-right: anti-diagonal") << QList<int>{0, 0, 3, 0, 0, 0, 0, 0, 0} << 1 << 0x1000000u << 3;
    QTest::newRow("down-left: anti-diagonal") << QList<int>{0, 0, 0, 0, 0, 0, 1, 0, 0} << 1 << 0x1000000u << 1;
    QTest::newRow("all four lines") << QList<int>{1, 1, 1, 1, 0, 1, 1, 1, 1} << 1 << 0x01010101u << 8;
    QTest::newRow("below threshold still totals") << QList<int>{0, 0, 0, 1, 0, 0, 0, 2, 0} << 2 << 0x10000u << 3;
}

void TestRules::lineFlags()
{
    QFETCH(QList<int>, counts);
    QFETCH(int, threshold);
    QFETCH(uint, flags);
    QFETCH(int, total);

    FlipCounts c{};
    std::copy(counts.begin(), counts.end(), c.begin());
    const LineFlagsResult result = LineFlags(c, threshold);
    QCOMPARE(uint(result.flags), flags);
    QCOMPARE(result.total, total);
    QCOMPARE(result.any(), flags != 0);
}

void TestRules::listMovesColumnMajor()
{
    // The crossed start: white can play on four squares, found column by column.
    MemoryGrid grid = MemoryGrid::fromPicture("........ ........ ........ ...WB... ...BW... ........ ........ ........");
    ScriptedRandom random;
    ScreenLog log;
    Game game(grid, random, log.view(grid));

    QVERIFY(game.ListMoves(kWhite));
    QCOMPARE(movesText(game.moveList()), QStringLiteral("2,4:1 3,5:1 4,2:1 5,3:1"));
    QCOMPARE(log.events, QStringList({"repaint", "hints 1 4"}));

    // Within a column the lower row comes first, across columns the lower column.
    grid = MemoryGrid::fromPicture("........ ......W. ......B. ........ .WB..... ......B. ......W. ........");
    QVERIFY(game.ListMoves(kWhite));
    QCOMPARE(movesText(game.moveList()), QStringLiteral("3,4:1 6,3:1 6,4:1"));
    QVERIFY(game.ListMoves(kBlack));
    QCOMPARE(movesText(game.moveList()), QStringLiteral("0,4:1 6,0:1 6,7:1"));
}

void TestRules::listMovesNothingFoundStillRepaints()
{
    MemoryGrid grid = MemoryGrid::fromPicture("W....... ........ ........ ........ ........ ........ ........ .......B");
    ScriptedRandom random;
    ScreenLog log;
    Game game(grid, random, log.view(grid));
    game.ListMoves(kWhite); // leaves nothing behind
    grid.setCellText(7, 6, "2");
    QVERIFY(!game.ListMoves(kBlack));
    QVERIFY(game.moveList().empty());
    QVERIFY(!game.ListMoves(kWhite));
    QCOMPARE(log.events, QStringList({"repaint", "repaint", "repaint"}));
}

void TestRules::moveListKeepsMoreThanTwentyMoves()
{
    MemoryGrid grid = MemoryGrid::fromPicture(
        "........"
        ".BBBBBB."
        ".BWWWWB."
        ".BW..WB."
        ".BW..WB."
        ".BWWWWB."
        ".BBBBBB."
        "........");
    ScriptedRandom random;
    Game game(grid, random);
    QVERIFY(game.ListMoves(kWhite));
    QCOMPARE(game.moveList().size(), std::size_t(28));
    QCOMPARE(movesText(game.moveList()),
             QStringLiteral("0,0:1 0,1:1 0,2:2 0,3:2 0,4:2 0,5:2 0,6:1 0,7:1 1,0:1 1,7:1 2,0:2 2,7:2 3,0:2 3,7:2 "
                            "4,0:2 4,7:2 5,0:2 5,7:2 6,0:1 6,7:1 7,0:1 7,1:1 7,2:2 7,3:2 7,4:2 7,5:2 7,6:1 7,7:1"));
    // The list a repeat finds is the same and not appended to the old one.
    QVERIFY(game.ListMoves(kWhite));
    QCOMPARE(game.moveList().size(), std::size_t(28));
    QCOMPARE(findMoves(Snapshot(grid), kWhite), game.moveList());
}

void TestRules::flipLinesOrder_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<int>("player");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("animations");
    QTest::addColumn<QString>("after");

    QTest::newRow("turned discs on the first side walked: between the two")
        << "........ ........ ........ ..WBBx.. ........ ........ ........ ........" << 1 << 5 << 3
        << "5,3 4,3 3,3 5,3"
        << "........ ........ ........ ..WWWW.. ........ ........ ........ ........";
    QTest::newRow("turned discs on the second side walked: both placed first")
        << "........ ........ ........ ..xBBW.. ........ ........ ........ ........" << 1 << 2 << 3
        << "2,3 2,3 3,3 4,3"
        << "........ ........ ........ ..WWWW.. ........ ........ ........ ........";
    QTest::newRow("both sides of the row")
        << "........ ........ ........ .WBxBBW. ........ ........ ........ ........" << 1 << 3 << 3
        << "3,3 2,3 3,3 4,3 5,3"
        << "........ ........ ........ .WWWWWW. ........ ........ ........ ........";
    QTest::newRow("column: up then down")
        << "...B.... ...W.... ...W.... ...x.... ...W.... ...B.... ........ ........" << 2 << 3 << 3
        << "3,3 3,2 3,1 3,3 3,4"
        << "...B.... ...B.... ...B.... ...B.... ...B.... ...B.... ........ ........";
    QTest::newRow("anti-diagonal: down-left then up-right")
        << "........ ........ .....W.. ....B... ...x.... ..B..... .W...... ........" << 1 << 3 << 4
        << "3,4 2,5 3,4 4,3"
        << "........ ........ .....W.. ....W... ...W.... ..W..... .W...... ........";
    QTest::newRow("three lines: the placed disc six times, lines in order")
        << "........ ........ ........ .WBBxBW. ...BB... ..W.W... ........ ........" << 1 << 4 << 3
        << "4,3 3,3 2,3 4,3 5,3 4,3 4,3 4,4 4,3 3,4 4,3"
        << "........ ........ ........ .WWWWWW. ...WW... ..W.W... ........ ........";
    QTest::newRow("main diagonal and anti-diagonal")
        << "W....... .B...... ..B..... ...x.... ..B.B... .W...W.. ........ ........" << 1 << 3 << 3
        << "3,3 2,2 1,1 3,3 4,4 3,3 2,4 3,3"
        << "W....... .W...... ..W..... ...W.... ..W.W... .W...W.. ........ ........";
}

void TestRules::flipLinesOrder()
{
    QFETCH(QString, board);
    QFETCH(int, player);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, animations);
    QFETCH(QString, after);

    MemoryGrid grid = MemoryGrid::fromPicture(board.replace('x', '.').toStdString());
    ScriptedRandom random;
    ScreenLog log;
    Game game(grid, random, log.view(grid));

    grid.setCellText(column, row, colourText(player)); // the turn cycle places the disc first
    QVERIFY(game.FlipLines(opponentOf(player), player, row, column));

    QStringList expected;
    for (const QString& cell : animations.split(' '))
        expected << QStringLiteral("anim %1 %2").arg(cell).arg(player);
    QCOMPARE(log.events, expected);
    QCOMPARE(picture(grid), picture(MemoryGrid::fromPicture(after.toStdString())));
}

void TestRules::flipLinesAbandonedWhenStale()
{
    MemoryGrid grid = MemoryGrid::fromPicture("........ ........ ........ .WBB.BW. ....B... ....W... ........ ........");
    ScriptedRandom random({1});
    Game game(grid, random);
    int animations = 0;
    GameView view;
    // A new game chosen from the menu while the second disc turns.
    view.animateCell = [&](int, int, int) {
        if (++animations == 2)
            game.NewGame();
    };
    game.setView(view);
    game.setCurrentPlayer(kWhite);
    const std::uint64_t started = game.gameNumber();
    grid.setCellText(4, 3, "1");
    QVERIFY(!game.FlipLines(kBlack, kWhite, 3, 4, [&] { return game.gameNumber() != started; }));
    // Nothing is written on the new game's board.
    QCOMPARE(animations, 2);
    QCOMPARE(picture(grid), picture(MemoryGrid::fromPicture("........ ........ ........ ...WB... ...BW... ........ ........ ........")));
    QCOMPARE(game.currentPlayer(), kWhite);
}

void TestRules::countDiscs()
{
    MemoryGrid grid = MemoryGrid::fromPicture("WWW..... B....... ........ ........ ........ ........ ........ .......B");
    ScriptedRandom random;
    ScreenLog log;
    Game game(grid, random, log.view(grid));
    QCOMPARE(game.CountDiscs(), (DiscCount{3, 2}));
    QCOMPARE(log.events, QStringList({"counters 3 2"}));
}

void TestRules::isGameOver_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<bool>("over");
    QTest::addColumn<QString>("counters");

    QString full(64, 'W');
    full[10] = 'B';
    QTest::newRow("full board") << full << true << "counters 63 1";
    QTest::newRow("white gone") << "........ ........ ........ ...BB... ...BB... ........ ........ ........" << true << "counters 0 4";
    QTest::newRow("black gone") << "W....... ........ ........ ........ ........ ........ ........ ........" << true << "counters 1 0";
    QTest::newRow("neither colour can move")
        << "W....... ........ ........ ........ ........ ........ ........ .......B" << true << "counters 1 1";
    QTest::newRow("neither can move, one square left")
        << ".WWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW WWWWWBWW" << true << "counters 62 1";
    QTest::newRow("only white can move") << "WB...... ........ ........ ........ ........ ........ ........ .......B" << false << "counters 1 2";
    QTest::newRow("only black can move") << "BW...... ........ ........ ........ ........ ........ ........ .......W" << false << "counters 2 1";
    QTest::newRow("opening") << "........ ........ ........ ...WB... ...BW... ........ ........ ........" << false << "counters 2 2";
}

void TestRules::isGameOver()
{
    QFETCH(QString, board);
    QFETCH(bool, over);
    QFETCH(QString, counters);

    MemoryGrid grid = MemoryGrid::fromPicture(board.toStdString());
    ScriptedRandom random;
    ScreenLog log;
    Game game(grid, random, log.view(grid));
    QCOMPARE(game.IsGameOver(), over);
    QCOMPARE(log.events, QStringList({counters}));
}

void TestRules::newGameLayouts_data()
{
    QTest::addColumn<int>("draw");
    QTest::addColumn<QString>("centre");

    QTest::newRow("0: parallel") << 0 << "........ ........ ........ ...WB... ...WB... ........ ........ ........";
    QTest::newRow("1: crossed") << 1 << "........ ........ ........ ...WB... ...BW... ........ ........ ........";
}

void TestRules::newGameLayouts()
{
    QFETCH(int, draw);
    QFETCH(QString, centre);

    MemoryGrid grid = MemoryGrid::fromPicture("WBWBWBWB ........ BBBBBBBB ........ WWWWWWWW ........ BBBBBBBB .......W");
    ScriptedRandom random({draw});
    ScreenLog log;
    Game game(grid, random, log.view(grid));
    game.ListMoves(kWhite);
    const MoveList before = game.moveList();
    log.events.clear();
    QCOMPARE(game.currentPlayer(), 0);

    const auto number = game.gameNumber();
    game.NewGame();
    QCOMPARE(picture(grid), picture(MemoryGrid::fromPicture(centre.toStdString())));
    QCOMPARE(game.currentPlayer(), kWhite);
    QCOMPARE(game.gameNumber(), number + 1);
    QCOMPARE(log.events, QStringList({"indicator 1", "counters 2 2"}));
    QCOMPARE(game.moveList(), before); // no hints until the next list
    QCOMPARE(random.left(), std::size_t(0));
}

void TestRules::newGameLayoutsAreDrawnEvenly()
{
    MemoryGrid grid;
    ClockRandom random;
    Game game(grid, random);
    const int games = 4000;
    int crossed = 0;
    for (int i = 0; i < games; ++i) {
        game.NewGame();
        const bool isCrossed = grid.cellText(3, 4) == "2";
        QCOMPARE(grid.cellText(4, 4), std::string(isCrossed ? "1" : "2"));
        crossed += isCrossed;
    }
    // Loose bounds: more than ten standard deviations apart.
    QVERIFY2(crossed > games * 4 / 10 && crossed < games * 6 / 10, qPrintable(QString::number(crossed)));
}

void TestRules::examineMove()
{
    MemoryGrid grid = MemoryGrid::fromPicture("........ ........ ........ ...WB... ...BW... ........ ........ ........");
    ScriptedRandom random({1});
    Game game(grid, random);
    // No game yet: nothing is legal.
    QVERIFY(!game.examineMove(5, 3).any());
    game.setCurrentPlayer(kWhite);
    QVERIFY(game.examineMove(5, 3).any());
    QCOMPARE(game.scratch()[3], 1);
    QVERIFY(!game.examineMove(5, 4).any());
    game.setCurrentPlayer(kBlack);
    QVERIFY(game.examineMove(5, 4).any());
    QCOMPARE(game.examineMove(5, 4).total, 1);
}

void TestRules::randomGamesMatchReference()
{
    std::mt19937 pick(20261208);
    ScriptedRandom unused;
    MemoryGrid grid;
    int animations = 0;
    GameView view;
    view.animateCell = [&](int, int, int) { ++animations; };
    Game game(grid, unused, view);

    const int games = 2000;
    long positions = 0;
    for (int g = 0; g < games; ++g) {
        const bool crossed = g % 2;
        grid = MemoryGrid::fromPicture(crossed ? "........ ........ ........ ...WB... ...BW... ........ ........ ........"
                                               : "........ ........ ........ ...WB... ...WB... ........ ........ ........");
        Reference ref = Reference::from(grid);
        int player = kWhite;
        for (;;) {
            ++positions;
            const bool refOver = !ref.hasMove(1) && !ref.hasMove(2);
            if (game.IsGameOver() != refOver)
                QFAIL(qPrintable(QStringLiteral("game %1: end test differs\n%2").arg(g).arg(picture(grid))));
            if (refOver)
                break;

            // The legal squares and their flips, per direction and in total.
            game.ListMoves(player);
            const MoveList& moves = game.moveList();
            MoveList expected;
            const BoardSnapshot snapshot = Snapshot(grid);
            for (int c = 0; c < 8; ++c) {
                for (int r = 0; r < 8; ++r) {
                    const auto refCounts = ref.counts(player, c, r);
                    if (snapshot[r][c] == kEmpty) {
                        const FlipCounts counts = countsForMove(snapshot, player, c, r);
                        if (!std::equal(counts.begin(), counts.end(), refCounts.begin()))
                            QFAIL(qPrintable(QStringLiteral("game %1: counts differ at %2,%3").arg(g).arg(c).arg(r)));
                    }
                    if (const int n = ref.flips(player, c, r))
                        expected.push_back({c, r, n});
                }
            }
            if (moves != expected)
                QFAIL(qPrintable(QStringLiteral("game %1: moves %2, expected %3").arg(g).arg(movesText(moves), movesText(expected))));

            if (moves.empty()) {
                player = opponentOf(player); // a pass
                continue;
            }

            const MoveRecord m = moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(pick)];
            const LineFlagsResult lines = LineFlags(ref.counts(player, m.column, m.row));
            int setLines = 0;
            for (int l = 0; l < 4; ++l)
                setLines += lines.isSet(Line(l));

            animations = 0;
            grid.setCellText(m.column, m.row, colourText(player));
            QVERIFY(game.FlipLines(opponentOf(player), player, m.row, m.column));
            ref.play(player, m.column, m.row);
            if (!ref.sameAs(grid))
                QFAIL(qPrintable(QStringLiteral("game %1: position differs after %2,%3\n%4").arg(g).arg(m.column).arg(m.row).arg(picture(grid))));
            // Every turned disc once, the placed disc twice per set line.
            QCOMPARE(animations, m.flips + 2 * setLines);
            player = opponentOf(player);
        }
    }
    qInfo("%d games, %ld positions compared", games, positions);
}

void TestRules::resultText_data()
{
    QTest::addColumn<int>("white");
    QTest::addColumn<int>("black");
    QTest::addColumn<QString>("text");

    QTest::newRow("white wins") << 40 << 24 << QStringLiteral(u"Bravo, vous avez gagné avec un score de 40");
    QTest::newRow("white wins a wipe-out") << 13 << 0 << QStringLiteral(u"Bravo, vous avez gagné avec un score de 13");
    QTest::newRow("black wins") << 20 << 44 << QStringLiteral(u"Désolé, j'ai gagné avec un score de 44");
    QTest::newRow("draw") << 32 << 32 << QStringLiteral(u"Egalité, on peut recommencer si vous avez encore envie");
    QTest::newRow("stalled draw") << 1 << 1 << QStringLiteral(u"Egalité, on peut recommencer si vous avez encore envie");
}

void TestRules::resultText()
{
    QFETCH(int, white);
    QFETCH(int, black);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(tavlo::resultText(white, black)), text);
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
