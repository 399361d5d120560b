#include "game/Computer.h"
#include "game/Game.h"
#include "tests/support/TestRandom.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>

#include <deque>
#include <map>
#include <set>

using namespace tavlo;

namespace {

// "c,r:flips c,r:flips ..." -> a move list.
MoveList listOf(const QString& text)
{
    MoveList moves;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QRegularExpression(QStringLiteral("[,:]")));
        moves.push_back({parts[0].toInt(), parts[1].toInt(), parts[2].toInt()});
    }
    return moves;
}

QString squareText(std::optional<Square> s)
{
    return s ? QStringLiteral("%1,%2").arg(s->column).arg(s->row) : QStringLiteral("none");
}

std::deque<int> drawsOf(const QList<int>& list)
{
    return std::deque<int>(list.begin(), list.end());
}

} // namespace

class TestComputer : public QObject {
    Q_OBJECT

private slots:
    void cornerTables();
    void choice_data();
    void choice();
    void tiesFollowHalvingOdds_data();
    void tiesFollowHalvingOdds();
    void tiesSampledWithSeededGenerator();
    void choosesFromBlacksListAfterWhitePassed();
    void choosesFromPositions_data();
    void choosesFromPositions();
};

void TestComputer::cornerTables()
{
    // Derived independently: the squares one king step from a corner.
    std::set<std::pair<int, int>> next;
    for (const Square& corner : kCorners) {
        for (int dc = -1; dc <= 1; ++dc)
            for (int dr = -1; dr <= 1; ++dr) {
                const int c = corner.column + dc, r = corner.row + dr;
                if ((dc || dr) && onBoard(c, r))
                    next.insert({c, r});
            }
    }
    QCOMPARE(next.size(), std::size_t(12));
    std::set<std::pair<int, int>> table;
    for (const Square& s : kNextToCorner)
        table.insert({s.column, s.row});
    QCOMPARE(table, next);

    int corners = 0, nextTo = 0;
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r) {
            corners += isCorner(c, r);
            nextTo += isNextToCorner(c, r);
            QVERIFY(!(isCorner(c, r) && isNextToCorner(c, r)));
            QCOMPARE(isNextToCorner(c, r), next.count({c, r}) == 1);
        }
    QCOMPARE(corners, 4);
    QCOMPARE(nextTo, 12);
    QVERIFY(isCorner(0, 0) && isCorner(0, 7) && isCorner(7, 0) && isCorner(7, 7));
}

void TestComputer::choice_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<int>("level");
    QTest::addColumn<QList<int>>("draws");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("drawsUsed");

    // Attacking.
    QTest::newRow("attacking: no moves, no draw") << "" << 1 << QList<int>{} << "none" << 0;
    QTest::newRow("attacking: one move, slot 0 draws against itself (0)") << "2,3:1" << 1 << QList<int>{0} << "2,3" << 1;
    QTest::newRow("attacking: one move, slot 0 draws against itself (1)") << "2,3:1" << 1 << QList<int>{1} << "2,3" << 1;
    QTest::newRow("attacking: most flips wins, no tie after slot 0")
        << "0,2:1 3,5:4 4,2:2" << 1 << QList<int>{1} << "3,5" << 1;
    QTest::newRow("attacking: ignores a corner") << "0,0:1 2,3:3" << 1 << QList<int>{0} << "2,3" << 1;
    QTest::newRow("attacking: tie kept on 0") << "1,2:3 2,2:3" << 1 << QList<int>{1, 0} << "1,2" << 2;
    QTest::newRow("attacking: tie taken on 1") << "1,2:3 2,2:3" << 1 << QList<int>{0, 1} << "2,2" << 2;
    QTest::newRow("attacking: a larger count resets the ties")
        << "1,2:3 2,2:3 3,4:5 4,4:5 5,5:1" << 1 << QList<int>{1, 1, 0} << "3,4" << 3;
    QTest::newRow("attacking: an earlier tie taken, later ones kept")
        << "1,2:2 2,2:2 3,2:2 4,2:2" << 1 << QList<int>{0, 1, 0, 0} << "2,2" << 4;

    // Defensive.
    QTest::newRow("defensive: the only corner") << "2,2:5 7,7:1" << 2 << QList<int>{0} << "7,7" << 1;
    QTest::newRow("defensive: (0,0) before the rest")
        << "0,0:1 0,7:2 7,0:3 7,7:4" << 2 << QList<int>{0} << "0,0" << 1;
    QTest::newRow("defensive: (0,7) before (7,0) and (7,7)")
        << "0,7:1 3,3:9 7,0:2 7,7:3" << 2 << QList<int>{0} << "0,7" << 1;
    QTest::newRow("defensive: (7,0) before (7,7)") << "2,3:6 7,0:1 7,7:4" << 2 << QList<int>{0} << "7,0" << 1;
    QTest::newRow("defensive: corner over a safe square") << "2,3:6 5,5:6 7,7:1" << 2 << QList<int>{0, 1} << "7,7" << 2;
    QTest::newRow("defensive: first safe square, not the richest")
        << "1,1:8 2,0:1 2,5:6 6,6:9" << 2 << QList<int>{0} << "2,0" << 1;
    QTest::newRow("defensive: skips every square next to a corner")
        << "0,1:3 1,0:3 1,7:4 5,2:1 6,0:2" << 2 << QList<int>{0, 1} << "5,2" << 2;
    QTest::newRow("defensive: all next to corners gives the greedy pick")
        << "0,1:2 1,1:5 6,1:3 7,6:5" << 2 << QList<int>{0, 1} << "7,6" << 2;
    QTest::newRow("defensive: all next to corners, tie kept")
        << "0,1:2 1,1:5 6,1:3 7,6:5" << 2 << QList<int>{0, 0} << "1,1" << 2;
    QTest::newRow("defensive: still makes the greedy draws") << "0,1:2 0,6:2 3,3:1" << 2 << QList<int>{1, 1} << "3,3" << 2;
}

void TestComputer::choice()
{
    QFETCH(QString, moves);
    QFETCH(int, level);
    QFETCH(QList<int>, draws);
    QFETCH(QString, chosen);
    QFETCH(int, drawsUsed);

    ScriptedRandom random(drawsOf(draws));
    const auto square = ChooseComputerMove(listOf(moves), Level(level), random);
    QCOMPARE(squareText(square), chosen);
    QCOMPARE(random.used(), drawsUsed);
    QVERIFY(!random.ranDry());
    QVERIFY(!random.otherThanCoin());
}

void TestComputer::tiesFollowHalvingOdds_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QList<int>>("expected"); // times each slot wins, over every draw sequence

    // k tied moves use k draws: each of the 2^k sequences is equally likely.
    QTest::newRow("two ties") << "2,2:3 4,5:3" << QList<int>{2, 2};
    QTest::newRow("three ties") << "2,2:3 3,3:3 4,5:3" << QList<int>{2, 2, 4};
    QTest::newRow("four ties") << "0,2:1 2,2:1 3,3:1 4,5:1" << QList<int>{2, 2, 4, 8};
    QTest::newRow("six ties") << "0,2:1 1,2:1 2,2:1 3,3:1 4,5:1 7,4:1" << QList<int>{2, 2, 4, 8, 16, 32};
}

void TestComputer::tiesFollowHalvingOdds()
{
    QFETCH(QString, moves);
    QFETCH(QList<int>, expected);

    const MoveList list = listOf(moves);
    const int k = int(list.size());
    QList<int> wins(k, 0);
    for (int bits = 0; bits < (1 << k); ++bits) {
        std::deque<int> draws;
        for (int i = 0; i < k; ++i)
            draws.push_back((bits >> i) & 1);
        ScriptedRandom random(draws);
        ++wins[int(greedyPick(list, random))];
        QCOMPARE(random.used(), k);
    }
    QCOMPARE(wins, expected);
}

void TestComputer::tiesSampledWithSeededGenerator()
{
    // Five equal moves among weaker ones: odds 1/16, 1/16, 1/8, 1/4, 1/2.
    const MoveList list = listOf("0,2:1 1,2:4 2,2:4 2,5:2 3,3:4 4,5:4 5,5:3 6,4:4");
    const std::map<int, double> odds{{1, 1.0 / 16}, {2, 1.0 / 16}, {4, 1.0 / 8}, {5, 1.0 / 4}, {7, 1.0 / 2}};
    ClockRandom random(12345);
    const int trials = 32000;
    std::map<int, int> wins;
    for (int i = 0; i < trials; ++i)
        ++wins[int(greedyPick(list, random))];
    int total = 0;
    for (const auto& [slot, count] : wins) {
        QVERIFY2(odds.count(slot), qPrintable(QStringLiteral("slot %1 won").arg(slot)));
        total += count;
    }
    QCOMPARE(total, trials);
    for (const auto& [slot, p] : odds) {
        const double share = double(wins[slot]) / trials;
        QVERIFY2(share > p * 0.85 && share < p * 1.15,
                 qPrintable(QStringLiteral("slot %1: %2, expected %3").arg(slot).arg(share).arg(p)));
    }
}

void TestComputer::choosesFromBlacksListAfterWhitePassed()
{
    // White has just played and black's list is left over from an earlier
    // turn; the choice must come from a list made afresh for black.
    MemoryGrid grid = MemoryGrid::fromPicture(
        "........"
        "........"
        "..WWW..."
        "..WBW..."
        "..WWW..."
        "........"
        "........"
        "........");
    ScriptedRandom random(std::deque<int>(16, 0));
    int repaints = 0;
    GameView view;
    view.repaintBoard = [&] { ++repaints; };
    Game game(grid, random, view);
    game.setLevel(Level::Attacking);
    QVERIFY(!game.ListMoves(kWhite));
    QVERIFY(game.moveList().empty());

    const auto square = game.ChooseComputerMove();
    QCOMPARE(repaints, 2);
    QCOMPARE(game.moveList(), findMoves(Snapshot(grid), kBlack));
    QCOMPARE(game.moveList().size(), std::size_t(8));
    // Every ring square turns one disc; all draws 0 keep slot 0: (1,1).
    QCOMPARE(squareText(square), QStringLiteral("1,1"));
}

void TestComputer::choosesFromPositions_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("chosen");

    // Black's moves are listed in each row's comment as column,row:flips.
    const char* rich = // 3,2:2 4,5:1 6,3:3
        "........ ........ ........ ..BWWW.. ...W.... ...B.... ........ ........";
    QTest::newRow("attacking takes the richest square") << rich << 1 << "6,3";
    QTest::newRow("defensive with no corner or danger: first in list") << rich << 2 << "3,2";
    const char* twoCorners = // 2,5:2 3,2:2 4,5:1 5,4:1 6,3:3 7,0:1 7,7:1
        "........ ......W. .....B.. ..BWWW.. ...W.... ...B.B.. ......W. ........";
    QTest::newRow("defensive: (7,0) before (7,7)") << twoCorners << 2 << "7,0";
    QTest::newRow("attacking ignores the corners") << twoCorners << 1 << "6,3";
    QTest::newRow("defensive: first safe square after one next to a corner") // 0,1:1 3,2:2 4,5:1 6,3:3
        << "........ ........ W....... B.BWWW.. ...W.... ...B.... ........ ........" << 2 << "3,2";
    QTest::newRow("defensive with only squares next to corners: greedy") // 0,1:1 1,7:2
        << "........ ........ W....... B....... ........ ........ ........ ..WWB..." << 2 << "1,7";
}

void TestComputer::choosesFromPositions()
{
    QFETCH(QString, board);
    QFETCH(int, level);
    QFETCH(QString, chosen);

    MemoryGrid grid = MemoryGrid::fromPicture(board.toStdString());
    ScriptedRandom random(std::deque<int>(64, 0));
    Game game(grid, random);
    game.setLevel(Level(level));
    QCOMPARE(squareText(game.ChooseComputerMove()), chosen);
}

QTEST_APPLESS_MAIN(TestComputer)
#include "tst_computer.moc"
