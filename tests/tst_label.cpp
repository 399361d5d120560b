#include "media/label/LabelProbe.h"
#include "media/label/RxLabel.h"
#include "media/label/TextLayout.h"

#include "data/ui_label_layouts.h"
#include "tests/support/Backdrop.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <vector>

using namespace tavlo;
using tavlo::test::Backdrop;
using tavlo::testing::LabelProbe;

namespace {

// What a dark colour scheme makes of the application's palette.
QPalette darkPalette()
{
    QPalette dark(QColor(60, 60, 60), QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    dark.setColor(QPalette::Text, QColor(240, 240, 240));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Light, QColor(70, 70, 70));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 110, 110));
    return dark;
}

// A parent whose background is a picture with colours no label draws in
// (blue stays within 150..199), so every text or shadow pixel stands out.
QImage pictureOf(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(30 + (x * 7) % 180, 40 + (y * 5) % 170, 150 + (x + y) % 50));
    return img;
}

class CountingLabel : public TRxLabel {
public:
    using TRxLabel::TRxLabel;
    int paints{0};

protected:
    void paintEvent(QPaintEvent *e) override
    {
        ++paints;
        TRxLabel::paintEvent(e);
    }
};

QImage shot(QWidget &w)
{
    QImage img = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // TAVLO_LABEL_SHOTS=folder keeps every picture the tests look at.
    static int n = 0;
    if (const QByteArray dir = qgetenv("TAVLO_LABEL_SHOTS"); !dir.isEmpty())
        img.save(QStringLiteral("%1/%2-%3.png").arg(QString::fromLocal8Bit(dir), QString::fromLatin1(QTest::currentTestFunction())).arg(n++));
    return img;
}

QFont boldSerif(int pixels)
{
    // What uic writes for <font>: a point size, which the label reads as pixels.
    QFont f(QStringLiteral("Times New Roman"));
    f.setPointSize(pixels);
    f.setBold(true);
    return f;
}

TRxLabel *makeLabel(QWidget *parent, QRect geometry, const QString &caption, int pixels = 24)
{
    auto *label = new TRxLabel(parent);
    label->setAutoSize(false);
    label->setGeometry(geometry);
    label->setAlignment(TRxLabel::taCenter);
    label->setFont(boldSerif(pixels));
    label->setTransparent(true);
    label->setCaption(caption);
    return label;
}

// Pixels of one colour inside a rectangle of a picture, in the rectangle's
// own coordinates.
struct Mask {
    int w{0};
    int h{0};
    std::vector<char> bits;

    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && bits[size_t(y * w + x)]; }
    int count() const { return int(std::count(bits.begin(), bits.end(), 1)); }
    QRect bounds() const
    {
        QRect r;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y))
                    r |= QRect(x, y, 1, 1);
        return r;
    }
};

Mask maskOf(const QImage &img, QRect area, QColor colour)
{
    Mask m{area.width(), area.height(), std::vector<char>(size_t(area.width() * area.height()), 0)};
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            m.bits[size_t(y * m.w + x)] = img.pixel(area.x() + x, area.y() + y) == colour.rgb() ? 1 : 0;
    return m;
}

// Counts the pixels of `picture` that are not what a shadowed drawing of
// `text` should give: the text colour on the text's pixels, the shadow
// colour on those pixels moved by (dx, dy) that the text does not cover,
// the backdrop everywhere else (outside the label too).
int mismatches(const QImage &picture, const QImage &backdrop, QRect label, const Mask &text, QColor textColour,
               QColor shadowColour, int dx, int dy)
{
    int bad = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QRgb expected = backdrop.pixel(x, y);
            if (label.contains(x, y)) {
                const int lx = x - label.x();
                const int ly = y - label.y();
                if (text.at(lx, ly))
                    expected = textColour.rgb();
                else if (text.at(lx - dx, ly - dy))
                    expected = shadowColour.rgb();
            }
            if (picture.pixel(x, y) != expected)
                ++bad;
        }
    }
    return bad;
}

QPoint offsetOf(TRxLabel::TShadowPosition pos, int size)
{
    switch (pos) {
    case TRxLabel::TShadowPosition::spLeftTop: return {-size, -size};
    case TRxLabel::TShadowPosition::spLeftBottom: return {-size, size};
    case TRxLabel::TShadowPosition::spRightBottom: return {size, size};
    case TRxLabel::TShadowPosition::spRightTop: return {size, -size};
    }
    return {};
}

// The text's own pixels: the same label drawn with its shadow right under
// the text.
Mask textPixels(Backdrop &scene, TRxLabel *label, QColor textColour)
{
    const int size = label->shadowSize();
    label->setShadowSize(0);
    const Mask m = maskOf(shot(scene), label->geometry(), textColour);
    label->setShadowSize(size);
    return m;
}

} // namespace

class TestLabel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void shadowDirection_data();
    void shadowDirection();
    void shadowSizeZeroLooksUnshadowed();
    void transparentShowsParent();
    void opaqueFillsWithColor();
    void counterRepaintLeavesNoTrace();
    void sameCaptionRepaintsNothing();
    void autoSizeEmptyCaption_data();
    void autoSizeEmptyCaption();
    void autoSizeRightJustifiedKeepsRightEdge();
    void centredTallTextMovesUpByTruncatedHalf_data();
    void centredTallTextMovesUpByTruncatedHalf();
    void resultTextsWrapToTwoCentredLines_data();
    void resultTextsWrapToTwoCentredLines();
    void linesBelowTheBottomAreCut();
    void ampersands_data();
    void ampersands();
    void mnemonicIsUnderlined();
    void disabledDrawing_data();
    void disabledDrawing();
    void programLabels_data();
    void programLabels();
    void colours();
    void propertiesByName();
    void layoutMeasures_data();
    void layoutMeasures();
    void focusFrame();
    void mouseEnterAndLeave();
    void focusControlGoesAwayWithItsWidget();
};

void TestLabel::initTestCase()
{
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    const QFontInfo info(boldSerif(24));
    QCOMPARE(info.family(), QStringLiteral("Liberation Serif"));
}

void TestLabel::shadowDirection_data()
{
    QTest::addColumn<TRxLabel::TShadowPosition>("pos");
    QTest::addColumn<int>("size");
    QTest::newRow("left-top") << TRxLabel::spLeftTop << 1;
    QTest::newRow("left-bottom") << TRxLabel::spLeftBottom << 1;
    QTest::newRow("right-bottom") << TRxLabel::spRightBottom << 1;
    QTest::newRow("right-top") << TRxLabel::spRightTop << 1;
    QTest::newRow("right-bottom by 3") << TRxLabel::spRightBottom << 3;
}

void TestLabel::shadowDirection()
{
    QFETCH(TRxLabel::TShadowPosition, pos);
    QFETCH(int, size);
    Backdrop scene(pictureOf({120, 60}));
    TRxLabel *label = makeLabel(&scene, {20, 10, 70, 40}, QStringLiteral("W8"));
    label->setFontColor(RGB(0, 0, 255));
    label->setShadowColor(RGB(255, 0, 0));
    label->setShadowPos(pos);
    label->setShadowSize(size);

    const Mask text = textPixels(scene, label, Qt::blue);
    QVERIFY(text.count() > 100);
    const QPoint d = offsetOf(pos, size);
    const QImage picture = shot(scene);
    QCOMPARE(mismatches(picture, scene.picture(), label->geometry(), text, Qt::blue, Qt::red, d.x(), d.y()), 0);
    QVERIFY(maskOf(picture, label->geometry(), Qt::red).count() > 20);
}

void TestLabel::shadowSizeZeroLooksUnshadowed()
{
    Backdrop scene(pictureOf({100, 50}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 70, 30}, QStringLiteral("42"));
    label->setFontColor(RGB(0, 0, 255));
    label->setShadowColor(RGB(255, 0, 0));
    label->setShadowSize(0);
    const QImage zero = shot(scene);
    QCOMPARE(maskOf(zero, label->geometry(), Qt::red).count(), 0);

    // The same text with a shadow that cannot be seen.
    label->setShadowSize(1);
    label->setShadowColor(clNone);
    QCOMPARE(shot(scene), zero);
}

void TestLabel::transparentShowsParent()
{
    Backdrop scene(pictureOf({100, 50}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 70, 30}, QStringLiteral("88"));
    label->setFontColor(clBlack);
    label->setShadowColor(clWhite);
    const QImage picture = shot(scene);
    const Mask ink = maskOf(picture, label->geometry(), Qt::black);
    const Mask shade = maskOf(picture, label->geometry(), Qt::white);
    QVERIFY(ink.count() > 50);
    QVERIFY(shade.count() > 10);
    int bad = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            const QPoint l = QPoint(x, y) - label->pos();
            if (!ink.at(l.x(), l.y()) && !shade.at(l.x(), l.y()) && picture.pixel(x, y) != scene.picture().pixel(x, y))
                ++bad;
        }
    QCOMPARE(bad, 0);
}

void TestLabel::opaqueFillsWithColor()
{
    Backdrop scene(pictureOf({100, 50}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 70, 30}, QStringLiteral("88"));
    label->setFontColor(RGB(0, 0, 255));
    label->setShadowColor(RGB(255, 0, 0));
    label->setTransparent(false);
    label->setColor(RGB(0, 255, 0));
    const QImage picture = shot(scene);
    const Mask text = textPixels(scene, label, Qt::blue);
    QImage filled = scene.picture();
    QPainter(&filled).fillRect(label->geometry(), Qt::green);
    QCOMPARE(mismatches(picture, filled, label->geometry(), text, Qt::blue, Qt::red, -1, -1), 0);
}

void TestLabel::counterRepaintLeavesNoTrace()
{
    auto counter = [](Backdrop &scene, const QString &caption) {
        TRxLabel *label = makeLabel(&scene, {25, 32, 43, 29}, caption);
        label->setFontColor(clBlack);
        label->setShadowColor(clGray);
        label->setShadowPos(TRxLabel::spRightBottom);
        return label;
    };
    Backdrop scene(pictureOf({200, 100}));
    TRxLabel *label = counter(scene, QStringLiteral("10"));
    scene.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene));
    // What the window shows, as left by its incremental repaints.
    auto live = [&] { return scene.screen()->grabWindow(scene.winId()).toImage().convertToFormat(QImage::Format_RGB32); };
    QTRY_VERIFY(maskOf(live(), label->geometry(), Qt::black).count() > 20);
    const QImage ten = live();

    Backdrop fresh(pictureOf({200, 100}));
    counter(fresh, QStringLiteral("9"));
    const QImage nine = shot(fresh);
    QVERIFY(nine != ten);

    label->setCaption(QStringLiteral("9"));
    QTRY_VERIFY(live() != ten);
    QCOMPARE(live(), nine);
    // And "9" is centred again between pixels 1 and 42.
    const QRect b = maskOf(nine, label->geometry(), Qt::black).bounds();
    QVERIFY2(qAbs((b.left() - 1) - (42 - b.right() - 1)) <= 2, qPrintable(QStringLiteral("ink %1..%2").arg(b.left()).arg(b.right())));
}

void TestLabel::sameCaptionRepaintsNothing()
{
    Backdrop scene(pictureOf({100, 50}));
    auto *label = new CountingLabel(&scene);
    label->setAutoSize(false);
    label->setGeometry(10, 10, 60, 30);
    label->setCaption(QStringLiteral("12"));
    scene.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene));
    QTRY_VERIFY(label->paints > 0);
    QTest::qWait(20);
    label->paints = 0;

    label->setCaption(QStringLiteral("12"));
    QTest::qWait(50);
    QCOMPARE(label->paints, 0);

    label->setCaption(QStringLiteral("13"));
    QTRY_VERIFY(label->paints > 0);
}

void TestLabel::autoSizeEmptyCaption_data()
{
    QTest::addColumn<TRxLabel::TShadowPosition>("pos");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("extraWidth");
    QTest::addColumn<int>("extraHeight");
    // The bounds reach from 0 to the furthest right and bottom edge of text
    // and shadow, plus one pixel of inset on each side.
    QTest::newRow("left-top") << TRxLabel::spLeftTop << 1 << 2 << 0;
    QTest::newRow("right-bottom") << TRxLabel::spRightBottom << 1 << 3 << 1;
    QTest::newRow("right-top by 2") << TRxLabel::spRightTop << 2 << 4 << 0;
    QTest::newRow("left-bottom by 4") << TRxLabel::spLeftBottom << 4 << 2 << 4;
}

void TestLabel::autoSizeEmptyCaption()
{
    QFETCH(TRxLabel::TShadowPosition, pos);
    QFETCH(int, size);
    QFETCH(int, extraWidth);
    QFETCH(int, extraHeight);
    QWidget parent;
    TRxLabel label(&parent);
    QVERIFY(label.autoSize());
    QCOMPARE(label.size(), QSize(65, 17));
    label.setShadowPos(pos);
    label.setShadowSize(size);
    label.setFont(boldSerif(24));
    const QFontMetrics fm(label.labelFont());
    QCOMPARE(label.size(), QSize(fm.horizontalAdvance(QLatin1Char(' ')) + extraWidth, fm.height() + extraHeight));

    label.setCaption(QStringLiteral("&"));
    QCOMPARE(label.size(), QSize(fm.horizontalAdvance(QLatin1Char(' ')) + extraWidth, fm.height() + extraHeight));
    label.setCaption(QStringLiteral("Ab"));
    QCOMPARE(label.size(), QSize(fm.horizontalAdvance(QStringLiteral("Ab")) + extraWidth, fm.height() + extraHeight));
}

void TestLabel::autoSizeRightJustifiedKeepsRightEdge()
{
    QWidget parent;
    parent.resize(400, 100);
    TRxLabel right(&parent);
    right.setFont(boldSerif(24));
    right.setAlignment(TRxLabel::taRightJustify);
    right.move(300, 10);
    right.setCaption(QStringLiteral("1"));
    const int edge = right.geometry().right();
    const int narrow = right.width();
    right.setCaption(QStringLiteral("1000"));
    QVERIFY(right.width() > narrow);
    QCOMPARE(right.geometry().right(), edge);
    QVERIFY(right.x() < 300);

    TRxLabel left(&parent);
    left.setFont(boldSerif(24));
    left.setAlignment(TRxLabel::taCenter);
    left.move(50, 10);
    left.setCaption(QStringLiteral("1"));
    left.setCaption(QStringLiteral("1000"));
    QCOMPARE(left.x(), 50);
}

void TestLabel::centredTallTextMovesUpByTruncatedHalf_data()
{
    QTest::addColumn<TRxLabel::TTextLayout>("layout");
    QTest::addColumn<int>("shadowSize");
    QTest::addColumn<int>("shortBy");
    QTest::addColumn<int>("shift");
    // shortBy: how much lower the label is than the text block (shadow
    // included); the block moves by (height - block) div 2 for tlCenter.
    QTest::newRow("centre, excess 5") << TRxLabel::tlCenter << 0 << 5 << -2;
    QTest::newRow("centre, excess 6 with shadow") << TRxLabel::tlCenter << 1 << 6 << -3;
    QTest::newRow("centre, excess 1") << TRxLabel::tlCenter << 0 << 1 << 0;
    QTest::newRow("bottom, excess 5") << TRxLabel::tlBottom << 0 << 5 << -5;
}

void TestLabel::centredTallTextMovesUpByTruncatedHalf()
{
    QFETCH(TRxLabel::TTextLayout, layout);
    QFETCH(int, shadowSize);
    QFETCH(int, shortBy);
    QFETCH(int, shift);
    Backdrop scene(pictureOf({100, 140}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 60, 120}, QStringLiteral("1\n2"));
    label->setFontColor(RGB(0, 0, 255));
    label->setShadowColor(RGB(255, 0, 0));
    label->setShadowPos(TRxLabel::spRightBottom);
    label->setShadowSize(shadowSize);
    const Mask top = maskOf(shot(scene), label->geometry(), Qt::blue);
    QVERIFY(top.count() > 50);

    const int block = 2 * QFontMetrics(label->labelFont()).height() + shadowSize;
    label->setGeometry(10, 10, 60, block - shortBy);
    label->setLayout(layout);
    const Mask moved = maskOf(shot(scene), label->geometry(), Qt::blue);
    int bad = 0;
    for (int y = 0; y < moved.h; ++y)
        for (int x = 0; x < moved.w; ++x)
            if (moved.at(x, y) != top.at(x, y - shift))
                ++bad;
    QCOMPARE(bad, 0);
}

void TestLabel::resultTextsWrapToTwoCentredLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("win") << QStringLiteral("Bravo, vous avez gagné avec un score de 64");
    QTest::newRow("loss") << QStringLiteral("Désolé, j'ai gagné avec un score de 33");
    QTest::newRow("draw") << QStringLiteral("Egalité, on peut recommencer si vous avez encore envie");
}

void TestLabel::resultTextsWrapToTwoCentredLines()
{
    QFETCH(QString, text);
    Backdrop scene(pictureOf({300, 400}));
    Ui::LabelLayouts layouts;
    layouts.setupUi(&scene);
    TRxLabel *label = layouts.RxLabel1;
    layouts.LabelPionB->hide();
    layouts.LabelPionN->hide();
    QCOMPARE(label->geometry(), QRect(8, 249, 284, 46));
    label->setCaption(text);
    QCOMPARE(label->geometry(), QRect(8, 249, 284, 46));

    const QFontMetrics fm(label->labelFont());
    TRect r{1, 0, 283, 46};
    QCOMPARE(layoutText({nullptr, label->labelFont(), {}}, text, r, DT_EXPANDTABS | DT_WORDBREAK | DT_CALCRECT),
             2 * fm.height());
    QVERIFY(r.Right <= 283);

    const QColor ink = toQColor(clWindowText);
    const Mask text0 = textPixels(scene, label, ink);
    // Two bands of ink, one per line, each centred on the label's middle.
    for (int line = 0; line < 2; ++line) {
        QRect band;
        for (int y = line * fm.height(); y < std::min(46, (line + 1) * fm.height()); ++y)
            for (int x = 0; x < 284; ++x)
                if (text0.at(x, y))
                    band |= QRect(x, y, 1, 1);
        QVERIFY2(!band.isEmpty(), qPrintable(QStringLiteral("line %1 has no ink").arg(line)));
        const int leftGap = band.left() - 1;
        const int rightGap = 283 - (band.right() + 1);
        QVERIFY2(qAbs(leftGap - rightGap) <= 4,
                 qPrintable(QStringLiteral("line %1 ink %2..%3").arg(line).arg(band.left()).arg(band.right())));
    }
    QCOMPARE(mismatches(shot(scene), scene.picture(), label->geometry(), text0, ink, toQColor(clBtnHighlight), -1, -1), 0);
}

void TestLabel::linesBelowTheBottomAreCut()
{
    QFont font = boldSerif(21);
    font.setPixelSize(21);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(font);
    const QString text = QStringLiteral("un deux trois quatre cinq six sept huit neuf dix onze douze treize quatorze");
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const int height = 2 * fm.height() - 3;
    TRect r{10, 20, 210, 20 + height};
    const int h = layoutText({&p, font, Qt::black}, text, r, DT_WORDBREAK | DT_CENTER);
    p.end();
    QVERIFY(h >= 4 * fm.height());
    QCOMPARE(r, (TRect{10, 20, 210, 20 + height}));
    const Mask ink = maskOf(img, img.rect(), Qt::black);
    QVERIFY(ink.count() > 200);
    QVERIFY(QRect(10, 20, 200, height).contains(ink.bounds()));
    // The second line is drawn, cut at the bottom.
    QVERIFY(ink.bounds().bottom() > 20 + fm.height());
}

void TestLabel::ampersands_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("accel");
    QTest::addColumn<QString>("asTyped");
    QTest::addColumn<bool>("same");
    // asTyped: drawn with ShowAccelChar off, for comparison.
    QTest::newRow("doubled draws one") << QStringLiteral("&&A") << true << QStringLiteral("&A") << true;
    QTest::newRow("doubled inside") << QStringLiteral("x&&y") << true << QStringLiteral("x&y") << true;
    QTest::newRow("lone trailing") << QStringLiteral("A&") << true << QStringLiteral("A") << true;
    QTest::newRow("off draws as typed") << QStringLiteral("&A") << false << QStringLiteral("A") << false;
    QTest::newRow("off keeps doubles") << QStringLiteral("&&A") << false << QStringLiteral("&A") << false;
}

void TestLabel::ampersands()
{
    QFETCH(QString, caption);
    QFETCH(bool, accel);
    QFETCH(QString, asTyped);
    QFETCH(bool, same);
    Backdrop scene(pictureOf({120, 50}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 100, 32}, caption);
    label->setShowAccelChar(accel);
    label->setFontColor(clBlack);
    label->setShadowSize(0);
    const Mask drawn = maskOf(shot(scene), label->geometry(), Qt::black);
    label->setShowAccelChar(false);
    label->setCaption(asTyped);
    const Mask reference = maskOf(shot(scene), label->geometry(), Qt::black);
    QVERIFY(drawn.count() > 20);
    QCOMPARE(drawn.bits == reference.bits, same);
}

void TestLabel::mnemonicIsUnderlined()
{
    Backdrop scene(pictureOf({120, 50}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 100, 32}, QStringLiteral("&A"));
    label->setAlignment(TRxLabel::taLeftJustify);
    label->setFontColor(clBlack);
    label->setShadowSize(0);
    const Mask marked = maskOf(shot(scene), label->geometry(), Qt::black);
    label->setCaption(QStringLiteral("A"));
    const Mask plain = maskOf(shot(scene), label->geometry(), Qt::black);
    const QFontMetrics fm(label->labelFont());
    int added = 0;
    for (int y = 0; y < marked.h; ++y)
        for (int x = 0; x < marked.w; ++x) {
            QVERIFY(!plain.at(x, y) || marked.at(x, y));
            if (marked.at(x, y) && !plain.at(x, y)) {
                ++added;
                QVERIFY2(y > fm.ascent() - 1 && y <= fm.ascent() + fm.underlinePos() + fm.lineWidth(),
                         qPrintable(QStringLiteral("extra ink at row %1").arg(y)));
            }
        }
    QVERIFY(added >= fm.horizontalAdvance(QLatin1Char('A')) - 2);
}

void TestLabel::disabledDrawing_data()
{
    QTest::addColumn<TRxLabel::TShadowPosition>("pos");
    QTest::addColumn<int>("size");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("own direction") << TRxLabel::spLeftTop << 1 << QPoint(-1, -1);
    QTest::newRow("own size") << TRxLabel::spRightTop << 2 << QPoint(2, -2);
    QTest::newRow("no shadow: engraved") << TRxLabel::spLeftTop << 0 << QPoint(1, 1);
}

void TestLabel::disabledDrawing()
{
    QFETCH(TRxLabel::TShadowPosition, pos);
    QFETCH(int, size);
    QFETCH(QPoint, offset);
    QImage plain(120, 60, QImage::Format_RGB32);
    plain.fill(qRgb(0, 100, 0));
    Backdrop scene(plain);
    TRxLabel *label = makeLabel(&scene, {10, 10, 90, 40}, QStringLiteral("W8"));
    const QColor grey = toQColor(clGrayText);
    const QColor highlight = toQColor(clBtnHighlight);
    QVERIFY(grey != highlight);
    label->setFontColor(fromQColor(grey));
    const Mask text = textPixels(scene, label, grey);
    QVERIFY(text.count() > 100);

    label->setFontColor(RGB(0, 0, 255));
    label->setShadowColor(RGB(255, 0, 0));
    label->setShadowPos(pos);
    label->setShadowSize(size);
    label->setEnabled(false);
    QCOMPARE(mismatches(shot(scene), plain, label->geometry(), text, grey, highlight, offset.x(), offset.y()), 0);
}

void TestLabel::programLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("shadowColour");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("darkDesktop");
    QTest::newRow("white's counter") << QStringLiteral("LabelPionB") << QStringLiteral("64") << QColor(Qt::black)
                                     << QColor(128, 128, 128) << QPoint(1, 1) << 24 << false;
    QTest::newRow("black's counter") << QStringLiteral("LabelPionN") << QStringLiteral("7") << QColor(Qt::white)
                                     << QColor(128, 128, 128) << QPoint(1, 1) << 24 << false;
    QTest::newRow("result text") << QStringLiteral("RxLabel1") << QStringLiteral("Egalité, on peut recommencer si vous avez encore envie")
                                 << QColor(Qt::black) << QColor(Qt::white) << QPoint(-1, -1) << 21 << false;
    // Drawn over the result picture, whose cream band no theme darkens.
    QTest::newRow("result text, dark desktop") << QStringLiteral("RxLabel1") << QStringLiteral("Désolé, j'ai gagné avec un score de 40")
                                               << QColor(Qt::black) << QColor(Qt::white) << QPoint(-1, -1) << 21 << true;
}

void TestLabel::programLabels()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QColor, textColour);
    QFETCH(QColor, shadowColour);
    QFETCH(QPoint, offset);
    QFETCH(int, pixels);
    QFETCH(bool, darkDesktop);
    const QPalette light = QGuiApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
    if (darkDesktop)
        QApplication::setPalette(darkPalette());
    Backdrop scene(pictureOf({300, 400}));
    Ui::LabelLayouts layouts;
    layouts.setupUi(&scene);
    auto *label = scene.findChild<TRxLabel *>(name);
    QVERIFY(label);
    for (TRxLabel *other : scene.findChildren<TRxLabel *>())
        other->setVisible(other == label);
    const QRect bounds = label->geometry();
    QCOMPARE(QFontInfo(label->labelFont()).pixelSize(), pixels);
    QCOMPARE(QFontInfo(label->labelFont()).family(), QStringLiteral("Liberation Serif"));
    QVERIFY(QFontInfo(label->labelFont()).bold());
    label->setCaption(caption);
    QCOMPARE(label->geometry(), bounds);

    const Mask text = textPixels(scene, label, textColour);
    QVERIFY(text.count() > 40);
    const QImage picture = shot(scene);
    QCOMPARE(mismatches(picture, scene.picture(), bounds, text, textColour, shadowColour, offset.x(), offset.y()), 0);
    QVERIFY(maskOf(picture, bounds, shadowColour).count() > 10);

    // Centred between pixels 1 and width - 1, from the top.
    const QRect ink = text.bounds();
    const int leftGap = ink.left() - 1;
    const int rightGap = (bounds.width() - 1) - (ink.right() + 1);
    QVERIFY2(qAbs(leftGap - rightGap) <= 4, qPrintable(QStringLiteral("ink %1..%2").arg(ink.left()).arg(ink.right())));
    QVERIFY(ink.top() < QFontMetrics(label->labelFont()).ascent());
}

void TestLabel::colours()
{
    QCOMPARE(toQColor(clGray), QColor(128, 128, 128));
    QCOMPARE(toQColor(RGB(1, 2, 3)), QColor(1, 2, 3));
    QCOMPARE(RGB(1, 2, 3), 0x030201);
    QCOMPARE(fromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    QVERIFY(!toQColor(clNone).isValid());
    QCOMPARE(fromQColor(QColor()), clNone);

    // System colours are a light desktop's (Qt's own palette, offscreen),
    // and stay so under a dark theme; the menus follow the theme.
    const QPalette light = QGuiApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
    for (const bool dark : {false, true}) {
        if (dark)
            QApplication::setPalette(darkPalette());
        QCOMPARE(toQColor(clWindowText), light.color(QPalette::Active, QPalette::WindowText));
        QCOMPARE(toQColor(clBtnHighlight), light.color(QPalette::Active, QPalette::Light));
        QCOMPARE(toQColor(clGrayText), light.color(QPalette::Disabled, QPalette::Text));
        QCOMPARE(toQColor(clWindow), light.color(QPalette::Active, QPalette::Base));
        QCOMPARE(toQColor(clBtnFace), light.color(QPalette::Active, QPalette::Button));
        QMenu menu;
        QCOMPARE(menu.palette().color(QPalette::Window), QGuiApplication::palette().color(QPalette::Window));
    }
}

void TestLabel::propertiesByName()
{
    // Layout loaders that go through the meta-object reach the same setters.
    TRxLabel label;
    QVERIFY(label.setProperty("AutoSize", false));
    QVERIFY(label.setProperty("Caption", QStringLiteral("12")));
    QVERIFY(label.setProperty("Alignment", QVariant::fromValue(TRxLabel::taRightJustify)));
    QVERIFY(label.setProperty("Layout", QVariant::fromValue(TRxLabel::tlBottom)));
    QVERIFY(label.setProperty("ShadowPos", QVariant::fromValue(TRxLabel::spRightTop)));
    QVERIFY(label.setProperty("ShadowColor", clGray));
    QVERIFY(label.setProperty("ShadowSize", 3));
    QVERIFY(label.setProperty("FontColor", clWhite));
    QVERIFY(label.setProperty("Transparent", true));
    QVERIFY(label.setProperty("WordWrap", true));
    QVERIFY(label.setProperty("ShowAccelChar", false));
    QCOMPARE(label.caption(), QStringLiteral("12"));
    QCOMPARE(label.alignment(), TRxLabel::taRightJustify);
    QCOMPARE(label.textLayout(), TRxLabel::tlBottom);
    QCOMPARE(label.shadowPos(), TRxLabel::spRightTop);
    QCOMPARE(label.shadowColor(), clGray);
    QCOMPARE(label.shadowSize(), 3);
    QCOMPARE(label.fontColor(), clWhite);
    QVERIFY(label.transparent() && label.wordWrap() && !label.showAccelChar());
    QCOMPARE(label.size(), QSize(65, 17));
    // Defaults a layout leaves out.
    TRxLabel fresh;
    QCOMPARE(fresh.alignment(), TRxLabel::taLeftJustify);
    QCOMPARE(fresh.shadowPos(), TRxLabel::spLeftTop);
    QCOMPARE(fresh.shadowColor(), clBtnHighlight);
    QCOMPARE(fresh.shadowSize(), 1);
    QVERIFY(fresh.autoSize() && fresh.showAccelChar() && !fresh.transparent() && !fresh.wordWrap() && !fresh.showFocus());
    QVERIFY(fresh.parentColor());
}

void TestLabel::layoutMeasures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("widest");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty") << QString() << 0u << 100 << QString() << 0;
    QTest::newRow("one blank") << QStringLiteral(" ") << 0u << 100 << QStringLiteral(" ") << 1;
    QTest::newRow("crlf is one break") << QStringLiteral("ab\r\ncd") << 0u << 100 << QStringLiteral("ab") << 2;
    QTest::newRow("cr and lf each break") << QStringLiteral("mm\rb\nc") << 0u << 100 << QStringLiteral("mm") << 3;
    QTest::newRow("empty line counts") << QStringLiteral("mm\n\nb") << 0u << 100 << QStringLiteral("mm") << 3;
    QTest::newRow("no word break ignores width") << QStringLiteral("un deux trois") << 0u << 10
                                                 << QStringLiteral("un deux trois") << 1;
    QTest::newRow("long word stays whole") << QStringLiteral("anticonstitutionnellement") << unsigned(DT_WORDBREAK) << 10
                                           << QStringLiteral("anticonstitutionnellement") << 1;
    QTest::newRow("one word a line") << QStringLiteral("un deux troisième") << unsigned(DT_WORDBREAK) << 10
                                     << QStringLiteral("troisième") << 3;
    QTest::newRow("breaks keep their lines") << QStringLiteral("un\ndeux trois") << unsigned(DT_WORDBREAK) << 1000
                                             << QStringLiteral("deux trois") << 2;
    QTest::newRow("prefix not measured") << QStringLiteral("&Nom") << 0u << 100 << QStringLiteral("Nom") << 1;
    QTest::newRow("no prefix measures all") << QStringLiteral("&Nom") << unsigned(DT_NOPREFIX) << 100
                                            << QStringLiteral("&Nom") << 1;
}

void TestLabel::layoutMeasures()
{
    QFETCH(QString, text);
    QFETCH(unsigned, flags);
    QFETCH(int, width);
    QFETCH(QString, widest);
    QFETCH(int, lines);
    QFont font = boldSerif(21);
    font.setPixelSize(21);
    const QFontMetrics fm(font);
    TRect r{5, 7, 5 + width, 500};
    const int h = layoutText({nullptr, font, {}}, text, r, flags | DT_CALCRECT);
    QCOMPARE(h, lines * fm.height());
    QCOMPARE(r, (TRect{5, 7, 5 + fm.horizontalAdvance(widest), 7 + h}));
}

void TestLabel::focusFrame()
{
    QImage white(100, 60, QImage::Format_RGB32);
    white.fill(Qt::white);
    Backdrop scene(white);
    TRxLabel *label = makeLabel(&scene, {10, 10, 60, 30}, QStringLiteral("&Nom"));
    label->setFontColor(clBlack);
    label->setShadowColor(clBlack);
    label->setShadowPos(TRxLabel::spRightBottom);
    auto *target = new QWidget(&scene);
    target->setFocusPolicy(Qt::StrongFocus);
    target->setGeometry(80, 40, 10, 10);
    label->setFocusControl(target);
    label->setShowFocus(true);
    scene.show();
    scene.activateWindow();
    auto *other = new QWidget(&scene);
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(80, 5, 10, 10);
    other->show();
    QVERIFY(QTest::qWaitForWindowActive(&scene));
    other->setFocus();
    QTRY_VERIFY(!LabelProbe::focusTargetActive(*label));
    const QImage without = shot(scene);
    target->setFocus();
    QTRY_VERIFY(LabelProbe::focusTargetActive(*label));
    const QImage with = shot(scene);

    // Text and shadow span (1, 0)-(60, 31) in the label; the frame is one
    // pixel wider on each side, so its left column and top row are the
    // label's first, dotted, and its right and bottom edges fall outside.
    int changed = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            if (with.pixel(x, y) != without.pixel(x, y)) {
                ++changed;
                const QPoint l = QPoint(x, y) - label->pos();
                QVERIFY2(l.x() == 0 || l.y() == 0, qPrintable(QStringLiteral("frame pixel at %1,%2").arg(l.x()).arg(l.y())));
                QCOMPARE((l.x() + l.y()) % 2, 0);
            }
    // Every other pixel: 30 along the top row, 15 down the left column,
    // the corner shared.
    QCOMPARE(changed, 30 + 15 - 1);
}

void TestLabel::mouseEnterAndLeave()
{
    Backdrop scene(pictureOf({200, 100}));
    TRxLabel *label = makeLabel(&scene, {20, 20, 60, 30}, QStringLiteral("5"));
    scene.show();
    scene.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&scene));
    QSignalSpy enter(label, &TRxCustomLabel::OnMouseEnter);
    QSignalSpy leave(label, &TRxCustomLabel::OnMouseLeave);

    QTest::mouseMove(&scene, QPoint(150, 80));
    QTest::mouseMove(&scene, QPoint(40, 30));
    QTRY_COMPARE(enter.count(), 1);
    QCOMPARE(enter.first().first().value<TRxCustomLabel *>(), static_cast<TRxCustomLabel *>(label));
    QVERIFY(LabelProbe::mouseInside(*label));
    QTest::mouseMove(&scene, QPoint(150, 80));
    QTRY_COMPARE(leave.count(), 1);
    QVERIFY(!LabelProbe::mouseInside(*label));

    // A disabled label does not notice the pointer.
    label->setEnabled(false);
    QTest::mouseMove(&scene, QPoint(40, 30));
    QTest::qWait(20);
    QCOMPARE(enter.count(), 1);
}

void TestLabel::focusControlGoesAwayWithItsWidget()
{
    Backdrop scene(pictureOf({200, 100}));
    TRxLabel *label = makeLabel(&scene, {10, 10, 80, 30}, QStringLiteral("&Nom"));
    auto *other = new QWidget(&scene);
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(100, 10, 40, 20);
    auto *target = new QWidget(&scene);
    target->setFocusPolicy(Qt::StrongFocus);
    target->setGeometry(100, 50, 40, 20);
    label->setFocusControl(target);
    label->setShowFocus(true);
    scene.show();
    scene.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&scene));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());

    QTest::keyClick(&scene, Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(target->hasFocus());
    QVERIFY(LabelProbe::focusTargetActive(*label));
    other->setFocus();
    QTRY_VERIFY(!LabelProbe::focusTargetActive(*label));

    label->setShowAccelChar(false);
    QTest::keyClick(&scene, Qt::Key_N, Qt::AltModifier);
    QTest::qWait(20);
    QVERIFY(other->hasFocus());

    delete target;
    QCOMPARE(label->focusControl(), nullptr);
}

QTEST_MAIN(TestLabel)
#include "tst_label.moc"
