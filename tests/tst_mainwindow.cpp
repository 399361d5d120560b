// The main, splash and result windows: start-up, the menu, the board's
// drawing, disc animation, hints and the pause. Runs offscreen with the
// pause clock sped up; sounds go to a recording output.
#include "media/base/ScreenScale.h"
#include "media/pictures/Resources.h"
#include "media/sound/Wave.h"
#include "tests/support/PaintWatch.h"
#include "tests/support/WindowTest.h"
#include "ui/Display.h"
#include "ui/StartUp.h"
#include "ui/UFinal.h"
#include "ui/USplash.h"
#include "ui/WindowPlacement.h"
#include "ui/board/BoardAccessible.h"
#include "ui/turn/ComputerHand.h"
#include "ui/turn/Hints.h"
#include "ui/turn/Pause.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontInfo>
#include <QPainter>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QtMath>

#include <chrono>
#include <deque>
#include <functional>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tavlo;
using namespace tavlo::test;
using namespace tavlo::testing;

namespace {

// Remembers every picture drawn on it, in order, with what the window was
// doing at that moment.
class RecordingSurface : public Surface {
public:
    struct Frame {
        QImage picture;
        QRect rect;
        bool busy{false};
        qsizetype soundEvents{0};
    };
    std::function<void(int frameIndex)> onFrame;
    std::function<bool()> busy;
    std::function<qsizetype()> soundEvents;
    QList<Frame> frames;
    int holds{0};

    void drawPicture(const QRect &rect, const QImage &picture) override
    {
        frames.append({picture, rect, busy ? busy() : false, soundEvents ? soundEvents() : 0});
        if (onFrame)
            onFrame(int(frames.size()) - 1);
    }
    void setHeld(const QRect &, bool held) override { holds += held ? 1 : -1; }
};

RecordingAudioOutput &recorder()
{
    return static_cast<RecordingAudioOutput &>(SoundPlayer::instance().output());
}

int soundStarts()
{
    int n = 0;
    for (const auto &e : recorder().events())
        n += e.kind == RecordingAudioOutput::Kind::Start ? 1 : 0;
    return n;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TMain> m_main;
    ScriptedRandom m_random{{}};

    // A fresh main window, shown and activated (no splash: none exists).
    TMain &freshMain()
    {
        m_main = showMain(m_random);
        // The first activation's click is done with.
        recorder().clear();
        recorder().finish();
        return *m_main;
    }

    static QList<Square> squaresOf(const MoveList &moves)
    {
        QList<Square> squares;
        for (const auto &m : moves)
            squares.append({m.column, m.row});
        return squares;
    }

private slots:
    void initTestCase() { startWindowTests(std::make_unique<RecordingAudioOutput>()); }

    void init()
    {
        recorder().clear();
        recorder().finish();
        m_random = ScriptedRandom();
    }

    void cleanup()
    {
        m_main.reset();
        setPauseTimeScale(0);
    }

    // ---- start-up ---------------------------------------------------

    // The first activation clears the board and turns the indicator to
    // white, but a window manager may hold it back until the player has
    // already started a game from the menu: that game is left alone.
    void startUpOrderAndFirstActivation_data()
    {
        QTest::addColumn<bool>("gameFirst");
        QTest::newRow("activated at once") << false;
        QTest::newRow("a game played before the activation") << true;
    }

    void startUpOrderAndFirstActivation()
    {
        QFETCH(bool, gameFirst);
        clearWindowCreationOrder();
        Windows windows = createWindows();
        QCOMPARE(windowCreationOrder(), (QStringList{"Main", "Splash", "Final"}));
        QCOMPARE(Main, windows.main.get());
        QCOMPARE(Splash, windows.splash.get());
        QVERIFY(Final);
        QCOMPARE(Final->parentWidget(), Main);
        QVERIFY(!Splash->isVisible());
        QVERIFY(!Final->isVisible());
        QVERIFY(Main->FirstActivation);
        QCOMPARE(Main->CurrentPlayer(), 0);
        QCOMPARE(Main->Level(), Level::Attacking);
        QCOMPARE(Main->LabelPionB->caption(), QStringLiteral("0"));
        QCOMPARE(Main->LabelPionN->caption(), QStringLiteral("0"));

        // Left over from nowhere: the first activation must clear it.
        Main->TabPion->setCellText(2, 5, "1");

        // The splash opens modally while the main window is being shown; a
        // right click leaves it, a left click lets the main window come up.
        bool splashWasModal = false;
        bool stayedAfterRightClick = false;
        bool mainMappedUnderSplash = true;
        // The background is decoded once the splash is on screen.
        QSignalSpy splashOnScreen(Splash, &TSplash::onScreen);
        bool pictureWaitedForSplash = false;
        QTimer::singleShot(0, [&] {
            pictureWaitedForSplash = QTest::qWaitFor([&] { return splashOnScreen.count() == 1; });
            splashWasModal = Splash->isVisible() && QApplication::activeModalWidget() == Splash;
            mainMappedUnderSplash = Main->windowHandle() && Main->windowHandle()->isExposed();
            QTest::mouseClick(Splash->Image1, Qt::RightButton, {}, QPoint(150, 150));
            stayedAfterRightClick = Splash->isVisible();
            QTest::mouseClick(Splash->Image1, Qt::LeftButton, {}, QPoint(150, 150));
            if (gameFirst) {
                setRandomSource(*Main, &m_random);
                Main->Humain1->trigger();
                Main->TabPionMouseDown(Qt::LeftButton, {}, 5 * 60 + 30, 3 * 60 + 30);
                recorder().clear();
            }
        });
        Main->show();
        QVERIFY(splashWasModal);
        QVERIFY(pictureWaitedForSplash);
        QCOMPARE(Main->BackgroundBitmap.size(), QSize(800, 600));
        QVERIFY(!mainMappedUnderSplash);
        QVERIFY(stayedAfterRightClick);
        QVERIFY(!Splash->isVisible());
        QCOMPARE(Splash->result(), 1);
        QVERIFY(Main->isVisible());
        // Screen readers find both windows by their titles, the main one as a
        // window, and the counters named by the time the main window shows.
        QCOMPARE(QAccessible::queryAccessibleInterface(Splash)->text(QAccessible::Name), QStringLiteral("Tavlo"));
        QCOMPARE(QAccessible::queryAccessibleInterface(Main)->text(QAccessible::Name), QStringLiteral("Tavlo"));
        QCOMPARE(QAccessible::queryAccessibleInterface(Main)->role(), QAccessible::Window);
        QCOMPARE(Main->LabelPionB->accessibleName(), counterName(kWhite, gameFirst ? 4 : 0));
        QCOMPARE(Main->LabelPionN->accessibleName(), counterName(kBlack, gameFirst ? 1 : 0));

        QVERIFY(QTest::qWaitForWindowActive(Main));
        QVERIFY(!Main->FirstActivation);
        if (gameFirst) {
            // White's (5,3) on the parallel start, black to move.
            const char *played = "........ ........ ........ ...WWW.. ...WB... ........ ........ ........";
            QCOMPARE(boardPicture(*Main->TabPion), QString::fromStdString(MemoryGrid::fromPicture(played).picture()));
            QCOMPARE(Main->CurrentPlayer(), kBlack);
            QCOMPARE(rgb(Main->PaintBoxJoueur->surface()), rgb(Main->DiscImages[1]));
            QCOMPARE(soundStarts(), 0);
            QCOMPARE(Main->LabelPionB->caption(), QStringLiteral("4"));
            QCOMPARE(Main->LabelPionN->caption(), QStringLiteral("1"));
        } else {
            QCOMPARE(Main->TabPion->cellText(2, 5), std::string("0"));
            QCOMPARE(rgb(Main->PaintBoxJoueur->surface()), rgb(Main->DiscImages[7]));
            QCOMPARE(soundStarts(), 1);
            QCOMPARE(Main->LabelPionB->caption(), QStringLiteral("0"));
            QCOMPARE(Main->LabelPionN->caption(), QStringLiteral("0"));
        }

        // Later activations do nothing.
        Main->TabPion->setCellText(2, 5, "1");
        Main->FormActivate();
        QCOMPARE(Main->TabPion->cellText(2, 5), std::string("1"));

        Main->Facile1->trigger();
        QCOMPARE(Main->LabelPionB->caption(), QStringLiteral("2"));
        QCOMPARE(Main->LabelPionN->caption(), QStringLiteral("2"));
        QCOMPARE(Main->CurrentPlayer(), 1);
    }

    void layout()
    {
        TMain &main = freshMain();
        QVERIFY(main.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(main.size(), QSize(800, 600));
        QCOMPARE(main.TabPion->geometry(), QRect(277, 93, 480, 480));
        QCOMPARE(main.PaintBoxJoueur->geometry(), QRect(96, 120, 60, 60));
        QCOMPARE(main.LabelPionB->geometry(), QRect(105, 262, 43, 29));
        QCOMPARE(main.LabelPionN->geometry(), QRect(105, 354, 43, 29));
        QCOMPARE(main.TabPion->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(main.font().pixelSize(), 11);
        // Later children lie above earlier ones; the board on top.
        const QObjectList children = main.children();
        QVERIFY(children.indexOf(main.PaintBoxJoueur) < children.indexOf(main.LabelPionB));
        QVERIFY(children.indexOf(main.LabelPionN) < children.indexOf(main.TabPion));

        // The background shows where no control lies.
        const QImage shot = main.grab().toImage();
        QCOMPARE(shot.pixel(10, 590), main.BackgroundBitmap.whole().pixel(10, 590));
    }

    void menuItems()
    {
        TMain &main = freshMain();
        QStringList captions;
        std::function<void(QMenu *, const QString &)> walk = [&](QMenu *menu, const QString &indent) {
            for (QAction *a : menu->actions()) {
                QString line = indent + (a->isSeparator() ? QStringLiteral("-") : a->text());
                if (a->isCheckable())
                    line += a->isChecked() ? " [x]" : " [ ]";
                if (a->actionGroup() && a->actionGroup()->isExclusive())
                    line += " radio";
                captions << line;
                if (a->menu())
                    walk(a->menu(), indent + "  ");
            }
        };
        walk(main.PopupMenu1, "");
        QCOMPARE(captions, (QStringList{
                               "Commencer",
                               "  Adversaire attaquant",
                               "  Adversaire défensif",
                               "Adversaire",
                               "  Ordinateur [x] radio",
                               "  Humain [ ] radio",
                               "-",
                               "Jouer son [x]",
                               "Afficher possibilités [ ]",
                               "-",
                               "Aide...",
                               "-",
                               "Quitter",
                           }));
        QCOMPARE(main.N1->objectName(), QStringLiteral("N1"));
    }

    void rightClickOpensMenu_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("board") << "TabPion";
        QTest::newRow("background") << "Main";
        QTest::newRow("counter") << "LabelPionB";
    }

    void rightClickOpensMenu()
    {
        QFETCH(QString, where);
        TMain &main = freshMain();
        QWidget *target = where == "Main" ? static_cast<QWidget *>(&main) : main.findChild<QWidget *>(where);
        QVERIFY(target);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &event);
        QTRY_VERIFY(main.PopupMenu1->isVisible());
        // From the pointer no item is selected.
        QCOMPARE(main.PopupMenu1->activeAction(), nullptr);
        main.PopupMenu1->hide();
    }

    // The first and last pixel of cells at the board's edges and between
    // cells; anything off the board is no cell.
    void cellAt_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("column"); // -1: no cell
        QTest::addColumn<int>("row");
        QTest::newRow("first pixel of the board") << QPoint(0, 0) << 0 << 0;
        QTest::newRow("last pixel of the first cell") << QPoint(59, 59) << 0 << 0;
        QTest::newRow("first pixel of the second column") << QPoint(60, 0) << 1 << 0;
        QTest::newRow("first pixel of the second row") << QPoint(0, 60) << 0 << 1;
        QTest::newRow("last pixel before the last column") << QPoint(419, 479) << 6 << 7;
        QTest::newRow("first pixel of the last cell") << QPoint(420, 420) << 7 << 7;
        QTest::newRow("last pixel of the board") << QPoint(479, 479) << 7 << 7;
        QTest::newRow("top-right corner") << QPoint(479, 0) << 7 << 0;
        QTest::newRow("just right of the board") << QPoint(480, 10) << -1 << -1;
        QTest::newRow("just below the board") << QPoint(10, 480) << -1 << -1;
        QTest::newRow("just left of the board") << QPoint(-1, 10) << -1 << -1;
        QTest::newRow("just above the board") << QPoint(10, -1) << -1 << -1;
    }

    void cellAt()
    {
        QFETCH(QPoint, point);
        QFETCH(int, column);
        QFETCH(int, row);
        const auto cell = StringGrid::cellAt(point);
        QCOMPARE(cell.has_value(), column >= 0);
        if (cell)
            QCOMPARE(*cell, (Square{column, row}));
    }

    // ---- keyboard and screen readers -------------------------------

    void keyboardFocusMark_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QPoint>("end");
        const int l = Qt::Key_Left, r = Qt::Key_Right, u = Qt::Key_Up, d = Qt::Key_Down;
        QTest::newRow("first key moves from d4") << QPoint(3, 3) << QList<int>{r} << QPoint(4, 3);
        QTest::newRow("left edge holds") << QPoint(0, 5) << QList<int>{l, l} << QPoint(0, 5);
        QTest::newRow("right edge holds") << QPoint(6, 2) << QList<int>{r, r, r} << QPoint(7, 2);
        QTest::newRow("top edge holds") << QPoint(4, 0) << QList<int>{u} << QPoint(4, 0);
        QTest::newRow("bottom edge holds") << QPoint(1, 7) << QList<int>{d, d} << QPoint(1, 7);
        QTest::newRow("corner holds both ways") << QPoint(7, 7) << QList<int>{r, d, r} << QPoint(7, 7);
        QTest::newRow("across and back") << QPoint(0, 0) << QList<int>{r, r, r, r, r, r, r, r, d, l} << QPoint(6, 1);
    }

    void keyboardFocusMark()
    {
        QFETCH(QPoint, start);
        QFETCH(QList<int>, keys);
        QFETCH(QPoint, end);
        TMain &main = freshMain();
        StringGrid *board = main.TabPion;
        QCOMPARE(QApplication::focusWidget(), board);
        board->placeFocusMark(start.x(), start.y());
        QVERIFY(!board->focusMarkShown());
        QCOMPARE(markedCells(main), QList<Square>{});
        for (int key : keys)
            QTest::keyClick(board, Qt::Key(key));
        QCOMPARE(board->focusCell(), (Square{end.x(), end.y()}));
        // The ring shows on that cell only, over what the cell shows.
        QVERIFY(board->focusMarkShown());
        QCOMPARE(markedCells(main), QList<Square>{(Square{end.x(), end.y()})});

        // The Menu key and Shift+F10 open the menu at the mark.
        const QPoint centre = board->mapToGlobal(board->cellRect(end.x(), end.y()).center());
        for (const auto &[key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                            std::pair{Qt::Key_F10, Qt::KeyboardModifiers{Qt::ShiftModifier}}}) {
            QTest::keyClick(board, key, modifiers);
            QTRY_VERIFY(main.PopupMenu1->isVisible());
            // Its first item is selected, its submenu still closed.
            QTRY_COMPARE(main.PopupMenu1->activeAction(), main.PopupMenu1->actions().constFirst());
            QVERIFY(!main.Commencer1->isVisible());
            // It hangs from the mark; near the screen's edge it slides left
            // to fit, still over the mark.
            const QRect menu = main.PopupMenu1->geometry();
            QVERIFY(std::abs(menu.top() - centre.y()) < 4);
            QVERIFY(menu.left() <= centre.x() + 3 && menu.right() >= centre.x() - 3);
            main.PopupMenu1->hide();
        }
        // F10 alone is not the menu.
        QTest::keyClick(board, Qt::Key_F10);
        QVERIFY(!main.PopupMenu1->isVisible());

        // A player's press hides the ring; the mark stays where it was.
        QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!board->focusMarkShown());
        QCOMPARE(markedCells(main), QList<Square>{});
        QCOMPARE(board->focusCell(), (Square{end.x(), end.y()}));
    }

    void cellNames_data()
    {
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hint");
        QTest::addColumn<QString>("name");
        QTest::newRow("white disc") << QPoint(3, 3) << "1" << 0 << "d4, pion blanc";
        QTest::newRow("black disc") << QPoint(4, 3) << "2" << 0 << "e4, pion noir";
        QTest::newRow("empty") << QPoint(4, 2) << "0" << 0 << "e3, vide";
        QTest::newRow("top left") << QPoint(0, 0) << "0" << 0 << "a1, vide";
        QTest::newRow("bottom right") << QPoint(7, 7) << "2" << 0 << "h8, pion noir";
        QTest::newRow("hint of two") << QPoint(4, 2) << "0" << 2 << "e3, vide, coup possible, 2 pions";
        QTest::newRow("hint of one") << QPoint(2, 5) << "0" << 1 << "c6, vide, coup possible, 1 pion";
        QTest::newRow("hint of twelve") << QPoint(7, 0) << "0" << 12 << "h1, vide, coup possible, 12 pions";
    }

    void cellNames()
    {
        QFETCH(QPoint, cell);
        QFETCH(QString, text);
        QFETCH(int, hint);
        QFETCH(QString, name);
        QCOMPARE(cellName(cell.x(), cell.y(), text.toStdString(), hint), name);
    }

    // The hints a screen reader hears are the ones on the screen.
    void hintsInCellNames()
    {
        TMain &main = freshMain();
        setPosition(main, kParallel, 1);
        StringGrid *board = main.TabPion;
        main.Afficherpossibilits1->trigger();
        QCOMPARE(board->hintFlips(5, 2), 1);
        QCOMPARE(board->hintFlips(4, 2), 0);
        // A written cell loses its hint at once, the others at the repaint.
        board->setCellText(5, 2, "1");
        QCOMPARE(board->hintFlips(5, 2), 0);
        QCOMPARE(board->hintFlips(5, 3), 1);
        main.Afficherpossibilits1->trigger();
        QCOMPARE(board->hintFlips(5, 3), 0);
    }

    // ---- menu handlers ----------------------------------------------

    void newGameCommands_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<Level>("level");
        QTest::addColumn<int>("draw");
        QTest::newRow("attacking, parallel") << "Facile1" << Level::Attacking << 0;
        QTest::newRow("defensive, crossed") << "Difficile1" << Level::Defensive << 1;
    }

    void newGameCommands()
    {
        QFETCH(QString, item);
        QFETCH(Level, level);
        QFETCH(int, draw);
        TMain &main = freshMain();
        m_random = ScriptedRandom({draw});
        const auto before = main.game().gameNumber();
        main.findChild<QAction *>(item)->trigger();
        QCOMPARE(main.Level(), level);
        QCOMPARE(main.game().gameNumber(), before + 1);
        QCOMPARE(main.CurrentPlayer(), 1);
        const std::string picture = MemoryGrid::fromPicture(
            draw == 0 ? kParallel : kCrossed).picture();
        QCOMPARE(boardPicture(*main.TabPion), QString::fromStdString(picture));
        // Every cell on screen is drawn from its disc picture.
        QCOMPARE(markedCells(main), QList<Square>{});
        QCOMPARE(cellOnScreen(main, 3, 3), rgb(main.DiscImages[7]));
        QCOMPARE(cellOnScreen(main, 4, 3), rgb(main.DiscImages[1]));
        QCOMPARE(cellOnScreen(main, 0, 0), rgb(main.DiscImages[0]));
        QCOMPARE(rgb(main.PaintBoxJoueur->surface()), rgb(main.DiscImages[7]));
    }

    void opponentCommands()
    {
        TMain &main = freshMain();
        main.Facile1->trigger();
        QCOMPARE(main.Level(), Level::Attacking);

        // "Humain" restarts with the defensive level.
        main.TabPion->setCellText(0, 0, "2");
        auto game = main.game().gameNumber();
        main.Humain1->trigger();
        QVERIFY(main.Humain1->isChecked());
        QVERIFY(!main.Ordinateur1->isChecked());
        QCOMPARE(main.Level(), Level::Defensive);
        QCOMPARE(main.game().gameNumber(), game + 1);
        QCOMPARE(main.TabPion->cellText(0, 0), std::string("0"));

        // "Ordinateur" then keeps the game and the level.
        main.TabPion->setCellText(0, 0, "2");
        game = main.game().gameNumber();
        main.Ordinateur1->trigger();
        QVERIFY(main.Ordinateur1->isChecked());
        QVERIFY(!main.Humain1->isChecked());
        QCOMPARE(main.Level(), Level::Defensive);
        QCOMPARE(main.game().gameNumber(), game);
        QCOMPARE(main.TabPion->cellText(0, 0), std::string("2"));

        // "Ordinateur" while checked switches to "Humain", without a new game.
        main.Ordinateur1->trigger();
        QVERIFY(!main.Ordinateur1->isChecked());
        QVERIFY(main.Humain1->isChecked());
        QCOMPARE(main.game().gameNumber(), game);
        QCOMPARE(main.TabPion->cellText(0, 0), std::string("2"));

        // "Humain" while checked switches back to the computer, no new game.
        main.Humain1->trigger();
        QVERIFY(main.Ordinateur1->isChecked());
        QVERIFY(!main.Humain1->isChecked());
        QCOMPARE(main.game().gameNumber(), game);
        QCOMPARE(main.Level(), Level::Defensive);
    }

    void soundCommand()
    {
        TMain &main = freshMain();
        QVERIFY(main.Jouerson1->isChecked());
        recorder().clear();
        main.Jouerson1->trigger();
        QVERIFY(!main.Jouerson1->isChecked());
        main.Facile1->trigger(); // the indicator turns, silently
        QCOMPARE(soundStarts(), 0);
        main.Jouerson1->trigger();
        QVERIFY(main.Jouerson1->isChecked());
        main.Facile1->trigger();
        QCOMPARE(soundStarts(), 1);
    }

    void helpHidesBoardUntilWindowClick()
    {
        TMain &main = freshMain();
        main.Aide1->trigger();
        QVERIFY(!main.TabPion->isVisible());
        // The rules painted under the board show.
        const QImage shot = main.grab().toImage();
        QCOMPARE(shot.pixel(400, 300), main.BackgroundBitmap.whole().pixel(400, 300));

        // Presses on the counters and the indicator are not window clicks.
        QTest::mouseClick(main.LabelPionB, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(main.PaintBoxJoueur, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!main.TabPion->isVisible());
        // Menu commands work while it is hidden.
        main.Facile1->trigger();
        QCOMPARE(main.CurrentPlayer(), 1);
        QVERIFY(!main.TabPion->isVisible());
        QTest::mouseClick(&main, Qt::RightButton, {}, QPoint(400, 300));
        QVERIFY(!main.TabPion->isVisible());

        QTest::mouseClick(&main, Qt::LeftButton, {}, QPoint(400, 300));
        QVERIFY(main.TabPion->isVisible());
        QCOMPARE(cellOnScreen(main, 3, 3), pictureFor(main, 3, 3));

        // From the keyboard: named for screen readers, gone with Enter or
        // Space as with a click, the board taking the keys back.
        QCOMPARE(main.accessibleName(), QStringLiteral("Tavlo"));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            main.Aide1->trigger();
            QCOMPARE(main.accessibleName(), QStringLiteral("Règles du jeu"));
            QVERIFY(main.accessibleDescription().startsWith(QStringLiteral("But du jeu.")));
            QTest::keyClick(&main, key);
            QVERIFY(main.TabPion->isVisible());
            QCOMPARE(main.accessibleName(), QStringLiteral("Tavlo"));
            QCOMPARE(QApplication::focusWidget(), main.TabPion);
        }
    }

    // ---- hints ------------------------------------------------------

    void hintConditions_data()
    {
        QTest::addColumn<bool>("hintsOn");
        QTest::addColumn<bool>("human");
        QTest::addColumn<int>("player");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("computer mode, white") << true << false << 1 << true;
        QTest::newRow("computer mode, black") << true << false << 2 << false;
        QTest::newRow("human mode, black") << true << true << 2 << true;
        QTest::newRow("human mode, white") << true << true << 1 << true;
        QTest::newRow("hints off") << false << true << 1 << false;
        QTest::newRow("no game yet") << true << true << 0 << false;
    }

    void hintConditions()
    {
        QFETCH(bool, hintsOn);
        QFETCH(bool, human);
        QFETCH(int, player);
        QFETCH(bool, drawn);
        TMain &main = freshMain();
        main.Humain1->setChecked(human);
        main.Ordinateur1->setChecked(!human);
        main.Afficherpossibilits1->setChecked(hintsOn);
        if (player != 0)
            setPosition(main, kParallel, player);
        const bool found = main.ListMoves(player);
        QCOMPARE(found, player != 0);
        QCOMPARE(markedCells(main), drawn ? squaresOf(main.game().moveList()) : QList<Square>{});
    }

    void hintPixels()
    {
        TMain &main = freshMain();
        setPosition(main, kParallel, 1);
        main.Afficherpossibilits1->trigger(); // on: lists white's moves and draws them
        QCOMPARE(squaresOf(main.game().moveList()), (QList<Square>{{5, 2}, {5, 3}, {5, 4}, {5, 5}}));

        // The hatch is aligned to the board, as a brush is to its surface.
        const auto expected = [&](int column, int row, int flips) {
            QImage board(480, 480, QImage::Format_RGB32);
            const QRect cell = main.TabPion->cellRect(column, row);
            QPainter p(&board);
            p.drawImage(cell.topLeft(), main.DiscImages[0]);
            drawHint(p, cell.topLeft(), flips);
            return board.copy(cell);
        };
        QCOMPARE(cellOnScreen(main, 5, 3), expected(5, 3, 1));
        QCOMPARE(cellOnScreen(main, 5, 4), expected(5, 4, 1));
        QVERIFY(cellOnScreen(main, 5, 4) != expected(5, 4, 2));
        QCOMPARE(cellOnScreen(main, 0, 0), rgb(main.DiscImages[0]));

        // A repaint of the board wipes them, and sends the screen only the
        // cells that change...
        PaintWatch watch(main.TabPion);
        main.TabPion->repaintBoard();
        QCOMPARE(markedCells(main), QList<Square>{});
        QRegion hinted;
        for (const Square &s : squaresOf(main.game().moveList()))
            hinted += main.TabPion->cellRect(s.column, s.row);
        QCOMPARE(watch.painted, hinted);
        // Tall areas apart from each other are drawn on this thread: no
        // pooled thread is started for them, and they show the board.
        QThreadPool::globalInstance()->waitForDone();
        const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); };
        const int before = threads();
        QRegion apart;
        for (int row = 0; row < 8; ++row)
            apart += QRegion(main.TabPion->cellRect(0, row)) + main.TabPion->cellRect(7, row);
        QVERIFY(apart.rectCount() > 1);
        main.TabPion->repaint(apart);
        QCOMPARE(threads(), before);
        QCOMPARE(cellOnScreen(main, 0, 7), rgb(main.DiscImages[0]));
        QCOMPARE(cellOnScreen(main, 7, 0), rgb(main.DiscImages[0]));
        // ...and so does switching hints off.
        main.ListMoves(1);
        QCOMPARE(markedCells(main).size(), 4);
        main.Afficherpossibilits1->trigger();
        QVERIFY(!main.Afficherpossibilits1->isChecked());
        QCOMPARE(markedCells(main), QList<Square>{});
    }

    void hintsSurviveUnrelatedRepaints()
    {
        TMain &main = freshMain();
        setPosition(main, kParallel, 1);
        main.Afficherpossibilits1->trigger();
        main.LabelPionB->setCaption("17");
        main.update();
        QTest::qWait(20);
        QCOMPARE(markedCells(main).size(), 4);
        // A changed cell loses its own hint only.
        main.TabPion->setCellText(5, 3, "1");
        QTest::qWait(20);
        QCOMPARE(markedCells(main), (QList<Square>{{5, 2}, {5, 4}, {5, 5}}));
    }

    void newGameDrawsNoHints()
    {
        TMain &main = freshMain();
        setPosition(main, kParallel, 1);
        main.Afficherpossibilits1->trigger();
        QCOMPARE(markedCells(main).size(), 4);
        main.Difficile1->trigger();
        QTest::qWait(20);
        QCOMPARE(markedCells(main), QList<Square>{});
        // Off and on again shows the opening's moves.
        main.Afficherpossibilits1->trigger();
        main.Afficherpossibilits1->trigger();
        QCOMPARE(markedCells(main).size(), 4);
    }

    void hintGeometry_data()
    {
        QTest::addColumn<int>("flips");
        QTest::newRow("one digit") << 3;
        QTest::newRow("two digits") << 12;
    }

    void hintGeometry()
    {
        QFETCH(int, flips);
        const QColor ground(0, 128, 0);
        QImage image(60, 60, QImage::Format_RGB32);
        image.fill(ground);
        {
            QPainter p(&image);
            drawHint(p, QPoint(0, 0), flips);
        }
        const QRgb blue = qRgb(0, 0, 255), purple = qRgb(128, 0, 128), white = qRgb(255, 255, 255);
        QRect box, whiteBox;
        int purpleInside = 0, groundInside = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                const QRgb c = image.pixel(x, y);
                if (c != ground.rgb())
                    box |= QRect(x, y, 1, 1);
                if (c == white)
                    whiteBox |= QRect(x, y, 1, 1);
                QVERIFY2(c == ground.rgb() || c == blue || c == purple || c == white,
                         qPrintable(QString("odd colour at %1,%2").arg(x).arg(y)));
                const int dx = x - 30, dy = y - 30;
                if (dx * dx + dy * dy < 12 * 12) {
                    purpleInside += c == purple;
                    groundInside += c == ground.rgb();
                }
            }
        // The circle fills exactly the 30-pixel box centred in the cell.
        QCOMPARE(box, QRect(15, 15, 30, 30));
        QCOMPARE(image.pixel(15, 29), blue);
        QCOMPARE(image.pixel(44, 30), blue);
        QCOMPARE(image.pixel(29, 15), blue);
        QCOMPARE(image.pixel(30, 44), blue);
        // Hatched: purple lines with the ground showing between them.
        QVERIFY(purpleInside > 20);
        QVERIFY(groundInside > 100);
        // The number sits in the middle.
        QVERIFY(!whiteBox.isEmpty());
        QVERIFY2(qAbs(whiteBox.center().x() - 30) <= 2, qPrintable(QString::number(whiteBox.center().x())));
        QVERIFY2(qAbs(whiteBox.center().y() - 30) <= 3, qPrintable(QString::number(whiteBox.center().y())));
        QVERIFY(whiteBox.height() >= 9);
    }

    // ---- disc animation ---------------------------------------------

    void animateDiscFrames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<QList<int>>("frames");
        QTest::newRow("to white") << 1 << true << QList<int>{1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("to black") << 2 << true << QList<int>{7, 6, 5, 4, 3, 2, 1};
        QTest::newRow("to white, silent") << 1 << false << QList<int>{1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("no colour") << 0 << true << QList<int>{};
        QTest::newRow("odd colour") << 3 << true << QList<int>{};
    }

    void animateDiscFrames()
    {
        QFETCH(int, kind);
        QFETCH(bool, sound);
        QFETCH(QList<int>, frames);
        TMain &main = freshMain();
        main.Jouerson1->setChecked(sound);
        recorder().clear();
        recorder().finish();

        RecordingSurface surface;
        surface.busy = [&] { return main.Busy; };
        surface.soundEvents = [&] { return recorder().events().size(); };
        QVERIFY(!main.Busy);
        PauseLog pauses;
        main.AnimateDisc(kind, surface, QRect(120, 60, 60, 60));
        QVERIFY(!main.Busy);
        QCOMPARE(surface.holds, 0);
        // 50 ms before each frame, whatever the pause clock's scale.
        QCOMPARE(pauses.asked, QList<double>(frames.size(), 50.0));

        QList<int> shown;
        for (const auto &frame : surface.frames) {
            int index = -1;
            for (int i = 0; i < 8; ++i)
                if (frame.picture == main.DiscImages[std::size_t(i)])
                    index = i;
            shown << index;
            QCOMPARE(frame.rect.topLeft(), QPoint(120, 60));
            QVERIFY(frame.busy);
            // The click started before the first frame, and only then.
            QCOMPARE(frame.soundEvents, sound ? 1 : 0);
        }
        QCOMPARE(shown, frames);
        QCOMPARE(soundStarts(), sound ? 1 : 0);
        if (sound)
            QCOMPARE(recorder().events().first().sound.pcm,
                     readWave(resourceBytes("WAVE", "CLICK")).pcm);
    }

    void animationOnBoardKeepsLastFrame()
    {
        TMain &main = freshMain();
        setPosition(main, kParallel, 1);
        // The cell's text changes first, as in a move; the animation then
        // shows, and the grid does not flash the new colour before it.
        main.TabPion->setCellText(4, 3, "1");
        bool firstFrameWasOld = false;
        QMetaObject::invokeMethod(
            &main, [&] { firstFrameWasOld = cellOnScreen(main, 4, 3) == rgb(main.DiscImages[1]); },
            Qt::QueuedConnection);
        main.AnimateDisc(1, *main.TabPion, main.TabPion->cellRect(4, 3));
        QVERIFY(firstFrameWasOld);
        QCOMPARE(cellOnScreen(main, 4, 3), rgb(main.DiscImages[7]));
    }

    void indicatorClickSparesPlayingSound()
    {
        TMain &main = freshMain();
        recorder().clear();
        SoundPlayer::instance().play("Bloque");
        main.animateIndicator(2);
        QCOMPARE(soundStarts(), 1); // only "Bloque"
        QCOMPARE(SoundPlayer::instance().playing(), QStringLiteral("BLOQUE"));
        QCOMPARE(rgb(main.PaintBoxJoueur->surface()), rgb(main.DiscImages[1]));
        // A board animation's click does cut it off.
        main.AnimateDisc(1, *main.TabPion, main.TabPion->cellRect(0, 0));
        QCOMPARE(SoundPlayer::instance().playing(), QStringLiteral("CLICK"));
    }

    void pressesIgnoredWhileBusy()
    {
        TMain &main = freshMain();
        main.Humain1->trigger(); // two humans: a press plays for the colour to move
        setPosition(main, kParallel, 1);
        const QPoint legal = main.TabPion->cellRect(5, 3).center();
        RecordingSurface surface;
        surface.onFrame = [&](int frame) {
            if (frame == 2) {
                QVERIFY(main.Busy);
                QTest::mouseClick(main.TabPion, Qt::LeftButton, {}, legal);
            }
        };
        main.AnimateDisc(1, surface, QRect(0, 0, 60, 60));
        QCOMPARE(main.TabPion->cellText(5, 3), std::string("0"));
        QCOMPARE(main.CurrentPlayer(), 1);
        QCOMPARE(surface.frames.size(), 7);
        // Once the animation is over the same press is a move.
        QTest::mouseClick(main.TabPion, Qt::LeftButton, {}, legal);
        QCOMPARE(main.TabPion->cellText(5, 3), std::string("1"));
    }

    void newGameStopsRunningIndicator()
    {
        TMain &main = freshMain();
        main.Facile1->trigger();
        // The indicator turns to black; a new game comes in its second pause.
        RecordingSurface surface;
        surface.onFrame = [&](int frame) {
            if (frame == 1)
                QMetaObject::invokeMethod(&main, [&] { main.Difficile1->trigger(); }, Qt::QueuedConnection);
        };
        main.AnimateDisc(2, surface, QRect(0, 0, 60, 60));
        QCOMPARE(surface.frames.size(), 2);
        QCOMPARE(rgb(main.PaintBoxJoueur->surface()), rgb(main.DiscImages[7]));
        QVERIFY(!main.Busy);
    }

    // ---- result and splash windows ---------------------------------

    void resultWindow()
    {
        TMain &main = freshMain();
        TFinal final(&main);
        QCOMPARE(Final, &final);
        QCOMPARE(final.RxLabel1->geometry(), QRect(8, 249, 284, 46));
        QCOMPARE(final.RxLabel1->caption(), QStringLiteral("Bravo, vous avez un "));
        main.showResult(QStringLiteral("Egalité, on peut recommencer si vous avez encore envie"));
        QVERIFY(final.isVisible());
        // Kept in front of the top-most main window as its transient.
        QCOMPARE(final.windowHandle()->transientParent(), main.windowHandle());
        QCOMPARE(final.RxLabel1->caption(), QStringLiteral("Egalité, on peut recommencer si vous avez encore envie"));
        QTest::mouseClick(final.RxLabel1, Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(final.isVisible());
        main.showResult(QStringLiteral("Bravo, vous avez gagné avec un score de 40"));
        QCOMPARE(final.RxLabel1->caption(), QStringLiteral("Bravo, vous avez gagné avec un score de 40"));
        QCOMPARE(final.accessibleName(), QStringLiteral("Bravo, vous avez gagné avec un score de 40"));
        QTest::mouseClick(final.Image1, Qt::LeftButton, {}, QPoint(150, 100));
        QVERIFY(!final.isVisible());
        // Enter and Space close it too.
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            main.showResult(QStringLiteral("Désolé, j'ai gagné avec un score de 33"));
            QTest::keyClick(&final, key);
            QVERIFY(!final.isVisible());
        }
        QVERIFY(!final.Image1->picture().isNull());
        QCOMPARE(final.Image1->picture().size(), QSize(300, 300));
    }

    // ---- start-up helpers -------------------------------------------

    void fontSubstitutes()
    {
        QCOMPARE(QFont::substitute("MS Sans Serif").toLower(), QStringLiteral("liberation sans"));
        QCOMPARE(QFont::substitute("Arial").toLower(), QStringLiteral("liberation sans"));
        QCOMPARE(QFont::substitute("Times New Roman").toLower(), QStringLiteral("liberation serif"));
        QCOMPARE(QFontInfo(QFont("Times New Roman")).family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(QFontInfo(QFont("MS Sans Serif")).family(), QStringLiteral("Liberation Sans"));
    }

    void displayCheck_data()
    {
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<bool>("available");
        QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray() << false;
        QTest::newRow("X server nobody runs") << QByteArray() << QByteArray(":987") << QByteArray() << false;
        QTest::newRow("xcb asked, no server") << QByteArray("xcb") << QByteArray() << QByteArray() << false;
        QTest::newRow("offscreen asked") << QByteArray("offscreen") << QByteArray() << QByteArray() << true;
        QTest::newRow("Wayland socket nobody serves")
            << QByteArray() << QByteArray() << QByteArray("/nonexistent/wayland-0") << false;
        QTest::newRow("wayland asked, nobody serves")
            << QByteArray("wayland") << QByteArray() << QByteArray("/nonexistent/wayland-0") << false;
        QTest::newRow("Wayland socket that never answers") << QByteArray() << QByteArray() << QByteArray("silent") << false;
        QTest::newRow("wayland, then offscreen")
            << QByteArray("wayland;offscreen") << QByteArray() << QByteArray("/nonexistent/wayland-0") << true;
    }

    void displayCheck()
    {
        QFETCH(QByteArray, platform);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, wayland);
        QFETCH(bool, available);
        const QByteArray saved[3] = {qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY")};
        const char *names[3] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
        // A compositor's socket that takes the connection and says nothing.
        QTemporaryDir folder;
        const QByteArray silentPath = QFile::encodeName(folder.filePath(QStringLiteral("wayland-silent")));
        const int silent = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, silentPath.constData(), sizeof(address.sun_path));
        QVERIFY(bind(silent, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0);
        QVERIFY(listen(silent, 4) == 0);
        if (wayland == "silent")
            wayland = silentPath;
        const QByteArray values[3] = {platform, display, wayland};
        for (int i = 0; i < 3; ++i)
            values[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], values[i]);
        char program[] = "tavlo";
        char *argv[] = {program, nullptr};
        const bool result = displayAvailable(1, argv);
        for (int i = 0; i < 3; ++i)
            saved[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
        close(silent);
        QCOMPARE(result, available);
    }

    // ---- scaled screens ----------------------------------------------

    void picturesAtScale_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("blended");
        QTest::newRow("whole scale: sharp blocks") << qreal(2) << false;
        QTest::newRow("125 %: filtered") << qreal(1.25) << true;
        QTest::newRow("180 %: filtered") << qreal(1.8) << true;
        QTest::newRow("95 %: filtered") << qreal(0.95) << true;
        QTest::newRow("75 %: filtered") << qreal(0.75) << true;
    }

    // A picture drawn onto a surface of the screen's pixel ratio, as the
    // board's cells and the window's pictures are, lands where its logical
    // place says, below 100 % too; an edge between black and white becomes
    // grey only where the scale is not whole.
    void picturesAtScale()
    {
        QFETCH(qreal, scale);
        QFETCH(bool, blended);
        QImage picture(20, 1, QImage::Format_RGB32);
        for (int x = 0; x < 20; ++x)
            picture.setPixel(x, 0, x < 10 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        QImage surface(QSize(qCeil(80 * scale), 2), QImage::Format_RGB32);
        surface.setDevicePixelRatio(scale);
        surface.fill(Qt::red);
        {
            QPainter canvas(&surface);
            paintAtScreenScale(canvas);
            canvas.drawImage(QPoint(40, 0), picture);
        }
        bool grey = false;
        int first = -1;
        int last = -1;
        for (int x = 0; x < surface.width(); ++x) {
            const QColor c = surface.pixelColor(x, 0);
            if (c == QColor(Qt::red))
                continue;
            first = first < 0 ? x : first;
            last = x;
            grey = grey || (c.red() > 20 && c.red() < 235 && c.green() > 20);
        }
        QVERIFY2(qAbs(first - 40 * scale) <= 1 && qAbs(last + 1 - 60 * scale) <= 1,
                 qPrintable(QStringLiteral("drawn from %1 to %2").arg(first).arg(last)));
        QCOMPARE(grey, blended);
    }

    // A scale factor that is no number above zero is dropped, and said.
    void unusableScaleFactor_data()
    {
        QTest::addColumn<QByteArray>("factor");
        QTest::addColumn<bool>("dropped");
        for (const char *bad : {"0", "-1", "nan", "inf", "-inf", "x"})
            QTest::newRow(bad) << QByteArray(bad) << true;
        QTest::newRow("0.95") << QByteArray("0.95") << false;
        QTest::newRow("unset") << QByteArray() << false;
    }

    void unusableScaleFactor()
    {
        QFETCH(QByteArray, factor);
        QFETCH(bool, dropped);
        const QByteArray saved = qgetenv("QT_SCALE_FACTOR");
        factor.isNull() ? qunsetenv("QT_SCALE_FACTOR") : qputenv("QT_SCALE_FACTOR", factor);
        const auto ignored = dropUnusableScaleFactor();
        QCOMPARE(ignored.has_value(), dropped);
        QCOMPARE(qEnvironmentVariableIsSet("QT_SCALE_FACTOR"), !dropped && !factor.isNull());
        saved.isNull() ? qunsetenv("QT_SCALE_FACTOR") : qputenv("QT_SCALE_FACTOR", saved);
    }

    // ---- the computer's hand ----------------------------------------

    void computerHand_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<bool>("pointerMoves");
        QTest::newRow("X11 desktop") << "xcb" << QByteArray() << QByteArray("x11") << true;
        QTest::newRow("Wayland desktop, through its X server") << "xcb" << QByteArray("wayland-0") << QByteArray() << false;
        QTest::newRow("Wayland session, no socket named") << "xcb" << QByteArray() << QByteArray("Wayland") << false;
        QTest::newRow("natively on Wayland") << "wayland" << QByteArray() << QByteArray() << false;
    }

    // Where the pointer cannot be moved, the hand is drawn at the point of
    // the press, the press still reaches the board through it, and the
    // player's next move of the mouse takes it away.
    void computerHand()
    {
        QFETCH(QString, platform);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, session);
        QFETCH(bool, pointerMoves);
        QCOMPARE(pointerCanBeMoved(platform, wayland, session), pointerMoves);
        if (pointerMoves)
            return;

        const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        const auto restore = qScopeGuard([&] {
            saved.isEmpty() ? qunsetenv("WAYLAND_DISPLAY") : qputenv("WAYLAND_DISPLAY", saved);
        });
        TMain &main = freshMain();
        setPosition(main, kParallel, 2);
        main.PlayAt(2, 3);
        QWidget *hand = drawnComputerHand(&main);
        QVERIFY(hand && hand->isVisible());
        const QPoint tip = main.TabPion->pos() + main.TabPion->cellRect(2, 3).topLeft() + QPoint(20, 20);
        QCOMPARE(hand->pos(), tip);
        QTRY_COMPARE(QString::fromStdString(main.TabPion->cellText(2, 3)), QStringLiteral("2"));
        QVERIFY(hand->isVisible());
        const QImage shot = main.grab().toImage();
        QCOMPARE(QColor(shot.pixel(tip + QPoint(0, 10))), QColor(Qt::black));
        QCOMPARE(QColor(shot.pixel(tip + QPoint(3, 10))), QColor(Qt::white));

        // A move event where the pointer already stood is no move of the
        // player's (a window appearing under it sends one).
        const QPoint pointer = main.mapFromGlobal(QCursor::pos());
        QTest::mouseMove(main.windowHandle(), pointer);
        QVERIFY(hand->isVisible());
        QTest::mouseMove(main.windowHandle(), pointer + QPoint(1, 1));
        QTRY_VERIFY(!hand->isVisible());
    }

    // ---- pause ------------------------------------------------------

    void pauseServesEvents()
    {
        setPauseTimeScale(1);
        int served = 0;
        QTimer::singleShot(10, [&] { ++served; });
        QMetaObject::invokeMethod(qApp, [&] { ++served; }, Qt::QueuedConnection);
        const auto start = std::chrono::steady_clock::now();
        Pause(40);
        const auto took = std::chrono::steady_clock::now() - start;
        QCOMPARE(served, 2);
        QVERIFY(took >= std::chrono::milliseconds(40));

        // A zero scale still serves what is pending.
        setPauseTimeScale(0);
        QMetaObject::invokeMethod(qApp, [&] { ++served; }, Qt::QueuedConnection);
        Pause(500);
        QCOMPARE(served, 3);
    }

    void nestedPausesEachWaitTheirTime()
    {
        setPauseTimeScale(1);
        std::chrono::steady_clock::duration inner{};
        QTimer::singleShot(5, [&] {
            const auto start = std::chrono::steady_clock::now();
            Pause(60);
            inner = std::chrono::steady_clock::now() - start;
        });
        const auto start = std::chrono::steady_clock::now();
        Pause(20);
        const auto outer = std::chrono::steady_clock::now() - start;
        QVERIFY(inner >= std::chrono::milliseconds(60));
        QVERIFY(outer >= std::chrono::milliseconds(60)); // it returns after the inner one
    }

    // Last: once quitting, every pause ends at once for the rest of the run.
    void quitEndsPausesAndLoop()
    {
        TMain &main = freshMain();
        setPauseTimeScale(1);
        std::chrono::steady_clock::duration paused{};
        QTimer::singleShot(0, &main, [&] {
            QTimer::singleShot(30, &main, [&] { main.Quitter1->trigger(); });
            const auto start = std::chrono::steady_clock::now();
            Pause(5000);
            paused = std::chrono::steady_clock::now() - start;
        });
        const int code = QApplication::exec();
        QCOMPARE(code, 0);
        QVERIFY(quitRequested());
        QVERIFY2(paused < std::chrono::milliseconds(1000),
                 qPrintable(QString::number(std::chrono::duration<double, std::milli>(paused).count())));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
