#include "ui/UTavlo.h"

#include "media/base/Exceptions.h"
#include "media/base/ScreenScale.h"
#include "media/pictures/HiDpi.h"
#include "media/pictures/Resources.h"
#include "ui/Keys.h"
#include "ui/WindowOrder.h"
#include "ui/UFinal.h"
#include "ui/USplash.h"
#include "ui/WindowPlacement.h"
#include "ui/board/Announcer.h"
#include "ui/board/BoardAccessible.h"
#include "ui/turn/Pause.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// How long after a menu opened from the keyboard its item is told again.
constexpr int kMenuRetellMs = 300;

} // namespace

TMain *Main = nullptr;

TMain::TMain(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , BackgroundBitmap{[] { return tavlo::loadJpegResource(QStringLiteral("Fond")); }}
{
    setupUi(this);
    setObjectName(QStringLiteral("Main"));
    tavlo::installBoardAccessibility(TabPion);
    // The layout's font is 8 points on a 96-dpi screen: 11 pixels, whatever
    // this screen's resolution.
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);
    setFixedSize(800, 600);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_game = std::make_unique<tavlo::Game>(*TabPion, m_random);
    m_cycle = std::make_unique<tavlo::TurnCycle>(cycleParts());
    tavlo::GameView view = m_cycle->gameView();
    view.setCounters = [this](int white, int black) {
        LabelPionB->setCaption(QString::number(white));
        LabelPionN->setCaption(QString::number(black));
        nameCounters(white, black);
    };
    view.repaintBoard = [this] { TabPion->repaintBoard(); };
    m_game->setView(std::move(view));
    TabPion->setDrawCell([this](QPainter &canvas, int column, int row, const QRect &rect) {
        TabPionDrawCell(canvas, column, row, rect);
    });
    TabPion->setMouseDown([this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
        TabPionMouseDown(button, shift, x, y);
    });
    connectMenu();
    // Screen readers take the window's title for its name until the rules
    // rename it. The counters are named when the window first shows: the
    // first name given wakes the accessibility bridge, a session bus
    // connection that the splash should not wait for.

    // In the accessible tree from the start, silent until the first move.
    new tavlo::Announcer(this);

    if (!Main)
        Main = this;
    tavlo::noteWindowCreated(objectName());
    FormCreate();
    tavlo::centreOnScreen(this);
}

TMain::~TMain()
{
    if (m_background.valid())
        m_background.wait();
    if (Main == this)
        Main = nullptr;
}

void tavlo::testing::setRandomSource(TMain &main, tavlo::RandomSource *source)
{
    main.m_random.target = source;
}

tavlo::TurnSettings TMain::turnSettings() const
{
    return {Ordinateur1->isChecked(), Humain1->isChecked(), Jouerson1->isChecked(),
            Afficherpossibilits1->isChecked()};
}

tavlo::TurnCycle::Parts TMain::cycleParts()
{
    return {*this,
            *m_game,
            *TabPion,
            *PaintBoxJoueur,
            DiscImages,
            Busy,
            [this] { return turnSettings(); },
            [this](const QString &text) {
                // The title names the result for the window manager's lists too.
                if (Final)
                    Final->setWindowTitle(text);
                showResult(text);
            }};
}

void TMain::connectMenu()
{
    connect(Facile1, &QAction::triggered, this, &TMain::Facile1Click);
    connect(Difficile1, &QAction::triggered, this, &TMain::Difficile1Click);
    connect(Ordinateur1, &QAction::triggered, this, &TMain::Ordinateur1Click);
    connect(Humain1, &QAction::triggered, this, &TMain::Humain1Click);
    connect(Jouerson1, &QAction::triggered, this, &TMain::Jouerson1Click);
    connect(Afficherpossibilits1, &QAction::triggered, this, &TMain::Afficherpossibilits1Click);
    connect(Aide1, &QAction::triggered, this, &TMain::Aide1Click);
    connect(Quitter1, &QAction::triggered, this, &TMain::Quitter1Click);
}

namespace {

void reportCreationError(const tavlo::Exception &error)
{
    // The window still comes up so the player can quit.
    QMessageBox::critical(nullptr, QStringLiteral("Tavlo"), error.message());
}

} // namespace

void TMain::FormCreate()
{
    // The clock-seeded generator was made with the window. The background,
    // the slowest picture to decode, waits for the splash to be on screen.
    try {
        for (int i = 0; i < int(DiscImages.size()); ++i)
            DiscImages[std::size_t(i)] = tavlo::loadBitmapResource(QStringLiteral("PionB") + QString::number(i));
    } catch (const tavlo::Exception &error) {
        // The rest of creation is skipped, as the toolkit does.
        reportCreationError(error);
        return;
    }
    m_game->setLevel(tavlo::Level::Attacking);
    FirstActivation = true;
}

namespace {

QImage decodeBackground(bool scaled)
{
    QImage background = tavlo::loadJpegResource(QStringLiteral("Fond"));
    // On a scaled screen its twice-size rendering is decoded with it.
    if (scaled)
        tavlo::twinOf(background);
    return background;
}

} // namespace

void TMain::startDecodingPictures()
{
    if (m_backgroundStarted)
        return;
    m_backgroundStarted = true;
    m_background = std::async(std::launch::async, decodeBackground, devicePixelRatioF() > 1.0);
}

void TMain::waitForPictures()
{
    try {
        if (!m_backgroundStarted) {
            m_backgroundStarted = true;
            BackgroundBitmap.setPicture(decodeBackground(devicePixelRatioF() > 1.0));
        } else if (m_background.valid()) {
            BackgroundBitmap.setPicture(m_background.get());
        }
    } catch (const tavlo::Exception &error) {
        reportCreationError(error);
    }
}

void TMain::FormShow()
{
    if (m_splashDone)
        return;
    m_splashDone = true;
    if (Splash) {
        // Decoded beside the splash, which does not need it, but only once it
        // is on screen: before, the decoding competes with showing it.
        connect(Splash, &TSplash::onScreen, this, &TMain::startDecodingPictures, Qt::SingleShotConnection);
        Splash->showModal();
        Splash->releasePicture();
    }
    // The counters' names, unless a game started meanwhile gave them.
    if (LabelPionB->accessibleName().isEmpty())
        nameCounters(0, 0);
    waitForPictures();
    // The native window is made only now, after the splash, and is still
    // unmapped: the taskbar state and the activation request must precede
    // the mapping.
    create();
    tavlo::hideFromTaskbar(this);
    // Window managers that guard against focus stealing may leave the new
    // window inactive after the splash goes; the first activation is what
    // sets up the board, so ask for it (granted once the window is mapped).
    activateWindow();
}

void TMain::FormActivate()
{
    if (!FirstActivation)
        return;
    // Cleared before the animation: the animation serves events, and a
    // second activation meanwhile must not start it again.
    FirstActivation = false;
    // A window manager may hold the activation back until after the player
    // started a game from the menu; that game owns the board and indicator.
    if (game().gameNumber() != 0)
        return;
    for (int column = 0; column < tavlo::kBoardSize; ++column)
        for (int row = 0; row < tavlo::kBoardSize; ++row)
            TabPion->setCellText(column, row, tavlo::colourText(tavlo::kEmpty));
    animateIndicator(tavlo::kWhite);
}

void TMain::FormPaint(QPainter &canvas, const QRect &rect)
{
    BackgroundBitmap.draw(canvas, rect);
}

QList<QRect> TMain::backgroundShownThrough() const
{
    QList<QRect> rects;
    for (const QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child->isVisible() && !child->testAttribute(Qt::WA_OpaquePaintEvent))
            rects.append(child->geometry());
    return rects;
}

void TMain::FormClick()
{
    TabPion->show();
    setAccessibleName(QStringLiteral("Tavlo"));
    setAccessibleDescription(QString());
}

void TMain::nameCounters(int white, int black)
{
    LabelPionB->setAccessibleName(tavlo::counterName(tavlo::kWhite, white));
    LabelPionN->setAccessibleName(tavlo::counterName(tavlo::kBlack, black));
}

void TMain::TabPionDrawCell(QPainter &canvas, int column, int row, const QRect &rect)
{
    const std::string text = TabPion->cellText(column, row);
    std::size_t picture = 0;
    if (text == tavlo::colourText(tavlo::kWhite))
        picture = 7;
    else if (text == tavlo::colourText(tavlo::kBlack))
        picture = 1;
    tavlo::drawPicture(canvas, rect.topLeft(), DiscImages[picture]);
}

void TMain::TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    m_cycle->pressBoard(button, x, y);
}

void TMain::Facile1Click()
{
    m_game->setLevel(tavlo::Level::Attacking);
    NewGame();
}

void TMain::Difficile1Click()
{
    m_game->setLevel(tavlo::Level::Defensive);
    NewGame();
}

void TMain::Ordinateur1Click()
{
    // Choosing "Ordinateur" while it is checked unchecks it, so the
    // opponent becomes the second human, without a new game.
    Humain1->setChecked(!Ordinateur1->isChecked());
}

void TMain::Humain1Click()
{
    Ordinateur1->setChecked(!Humain1->isChecked());
    if (Humain1->isChecked()) {
        m_game->setLevel(tavlo::Level::Defensive);
        NewGame();
    }
}

void TMain::Jouerson1Click()
{
    // The check mark is the setting; every sound reads it.
}

void TMain::Afficherpossibilits1Click()
{
    if (Afficherpossibilits1->isChecked())
        ListMoves(CurrentPlayer());
    else
        TabPion->repaintBoard();
}

void TMain::Aide1Click()
{
    // The rules are painted in the background under the board; a screen
    // reader finds them in the window's description meanwhile.
    TabPion->hide();
    setAccessibleDescription(tavlo::rulesText());
    setAccessibleName(QStringLiteral("Règles du jeu"));
}

void TMain::Quitter1Click()
{
    tavlo::quitApplication();
}

void TMain::showResult(const QString &text)
{
    if (Final)
        Final->showResult(text);
}

bool TMain::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
        // The window reports itself active again as its menu opens, at times
        // after the menu's item took the focus: the reader is sent back to it.
        tavlo::menuFocusRetold(PopupMenu1);
    }
    return handled;
}

void TMain::setVisible(bool visible)
{
    // The splash comes before this window, or anything in it, is made
    // visible: that would create its native window and announce its
    // controls to screen readers ahead of the splash.
    if (visible)
        FormShow();
    QWidget::setVisible(visible);
}

void TMain::paintEvent(QPaintEvent *event)
{
    waitForPictures();
    QPainter canvas(this);
    tavlo::paintAtScreenScale(canvas);
    tavlo::drawRectByRect(canvas, event->region(), [&](const QRect &rect) { FormPaint(canvas, rect); });
    // Painted whole once, the background is drawn again only under the
    // controls it shows through, as they change: the rest of it need not
    // stay decoded.
    if (!BackgroundBitmap.keepsParts() && event->region().contains(rect()))
        BackgroundBitmap.keepOnly(backgroundShownThrough(), devicePixelRatioF());
}

void TMain::mousePressEvent(QMouseEvent *event)
{
    // A press on a control that let it through (a counter, the indicator)
    // is not a click on the window.
    if (event->button() == Qt::LeftButton && !childAt(event->position().toPoint()))
        FormClick();
}

void TMain::keyPressEvent(QKeyEvent *event)
{
    // The board has the keys while it shows; with the rules in its place,
    // Enter or Space brings it back as a click on the window does.
    if (!TabPion->isVisible() && tavlo::isClickKey(event->key())) {
        FormClick();
        TabPion->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMain::closeEvent(QCloseEvent *event)
{
    event->accept();
    tavlo::quitApplication();
}

void TMain::contextMenuEvent(QContextMenuEvent *event)
{
    PopupMenu1->popup(event->globalPos());
    // Opened from the keyboard (the Menu key, Shift+F10), the menu selects
    // its first item, as the desktop's menus do, so that the item has the
    // focus and a screen reader says it. Down selects it as a player would;
    // making it the active action would open its submenu as well. It is
    // posted: the window reports itself active again as the menu opens,
    // and a reader that heard that after the item would say the window.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        QCoreApplication::postEvent(PopupMenu1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
        // That news travels the accessibility bus on its own, and can reach
        // the reader after the item; a moment later the item is told again.
        QTimer::singleShot(kMenuRetellMs, PopupMenu1, [this] { tavlo::menuFocusRetold(PopupMenu1); });
    }
    event->accept();
}
