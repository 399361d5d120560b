// Reads the board and the disc counters straight off the X server for the
// end-to-end tests: one screen grab, classified without writing a picture.
//
//   board-probe X Y [SCALE]   (X, Y: the board's top-left on the screen;
//                              SCALE: screen pixels per window pixel, 1)
//
// prints four lines: the 64 cells row by row ("W" white disc, "B" black
// disc, "E" empty square, "T" a disc caught between two of those, half
// turned); the cells that carry a move hint; the cells where the game draws
// the computer's hand (a pointer picture with its tip 20 pixels inside the
// cell) -- each as "column,row" pairs separated by blanks, an empty line
// when none; then a fingerprint of the turn indicator and the two counters,
// which changes whenever they do.
//
//   board-probe --counters X Y [SCALE]   (X, Y: the main window's top-left)
//
// prints the two counters as numbers, white's then black's, or "?" for a
// counter that shows no number from 0 to 64. The counters are read by
// drawing every candidate number in the game's font and keeping the one
// whose strokes cover the screen's best.
#include <xcb/xcb.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kCell = 60;
constexpr int kBoard = 8 * kCell;
// The board's and the side column's places in the main window.
constexpr int kBoardLeft = 277;
constexpr int kBoardTop = 93;
constexpr int kSideLeft = 96;
constexpr int kSideTop = 120;
constexpr int kSideWidth = 148 - kSideLeft;
constexpr int kSideHeight = 383 - kSideTop;

struct Rgb {
    int r, g, b;
};

// One grab of a screen rectangle, 32 bits a pixel, read in window pixels:
// at a scale other than 1 each window pixel is read at the first screen
// pixel it covers (at 2, the top-left of its 2 x 2 block: rounding the
// block's centre outwards would read a disc's rim one pixel further out
// than at 100 %).
class Grab {
public:
    bool take(int x0, int y0, int width, int height, double scale = 1.0)
    {
        m_scale = scale;
        width = int(std::lround(width * scale));
        height = int(std::lround(height * scale));
        m_width = width;
        m_height = height;
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) {
            std::fprintf(stderr, "board-probe: cannot open the display\n");
            xcb_disconnect(c);
            return false;
        }
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, std::int16_t(x0),
                                    std::int16_t(y0), std::uint16_t(width), std::uint16_t(height), ~0u);
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(c, cookie, nullptr), &std::free);
        bool ok = reply && reply->depth >= 24
            && xcb_get_image_data_length(reply.get()) >= width * height * 4;
        if (ok) {
            const auto *data = xcb_get_image_data(reply.get());
            m_pixels.assign(data, data + width * height * 4);
        } else {
            std::fprintf(stderr, "board-probe: cannot read the screen\n");
        }
        xcb_disconnect(c);
        return ok;
    }
    // Blue comes first in each pixel.
    Rgb at(int x, int y) const
    {
        const int sx = std::clamp(int(std::floor((x + 0.5) * m_scale - 0.5)), 0, m_width - 1);
        const int sy = std::clamp(int(std::floor((y + 0.5) * m_scale - 0.5)), 0, m_height - 1);
        const auto *p = m_pixels.data() + (sy * m_width + sx) * 4;
        return Rgb{p[2], p[1], p[0]};
    }

private:
    double m_scale{1.0};
    int m_width{0};
    int m_height{0};
    std::vector<std::uint8_t> m_pixels;
};

// d: a black disc's face, l: a white disc's face, o: anything else (the
// square, or the side of a disc seen edge-on).
char tone(Rgb p)
{
    const int sum = p.r + p.g + p.b;
    if (sum < 200)
        return 'd';
    if (sum > 450 && std::abs(p.r - p.b) < 30 && std::abs(p.g - p.b) < 30)
        return 'l';
    return 'o';
}

// A cell is read at four points just inside its edges, outside the hint's
// circle and number. A disc seen from above covers all four; the turning
// frames are flattened discs, which leave the top and bottom points on the
// square or show a dark side under a white face.
char classifyCell(const Grab &grab, int left, int top)
{
    std::string tones;
    for (auto [x, y] : {std::pair{30, 7}, {30, 53}, {7, 30}, {53, 30}})
        tones += tone(grab.at(left + x, top + y));
    if (tones == "dddd")
        return 'B';
    if (tones == "llll")
        return 'W';
    if (tones == "oooo")
        return 'E';
    return 'T';
}

bool bright(Rgb p) { return p.r + p.g + p.b > 700; }
bool dark(Rgb p) { return p.r + p.g + p.b < 180; }

void addCell(std::string &list, int column, int row)
{
    if (!list.empty())
        list += ' ';
    list += std::to_string(column) + ',' + std::to_string(row);
}

int probeBoard(int x0, int y0, double scale)
{
    Grab grab;
    if (!grab.take(x0, y0, kBoard, kBoard, scale))
        return 2;
    std::string cells;
    std::string hints;
    std::string hands;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int left = column * kCell;
            const int top = row * kCell;
            cells += classifyCell(grab, left, top);
            // A hint's circle is drawn with a pure blue pen; below 100 % it
            // is thinner than a screen pixel and drawn a little see-through.
            int blue = 0;
            for (int y = top + 10; y < top + 50; ++y)
                for (int x = left + 10; x < left + 50; ++x) {
                    const Rgb p = grab.at(x, y);
                    blue += p.r < 24 && p.g < 24 && p.b > 230;
                }
            if (blue >= 20)
                addCell(hints, column, row);
            // Ten pixels below the hand's tip: its black left edge on the
            // tip's column, then its white inside.
            if (dark(grab.at(left + 20, top + 30)) && bright(grab.at(left + 22, top + 30))
                && bright(grab.at(left + 26, top + 30)))
                addCell(hands, column, row);
        }
    }
    // The indicator and the counters lie left of the board, in one column
    // from the indicator's top to the black counter's bottom.
    Grab side;
    if (!side.take(x0 + int(std::lround((kSideLeft - kBoardLeft) * scale)),
                   y0 + int(std::lround((kSideTop - kBoardTop) * scale)), kSideWidth, kSideHeight, scale))
        return 2;
    std::uint32_t fingerprint = 2166136261u; // FNV-1a
    for (int y = 0; y < kSideHeight; ++y)
        for (int x = 0; x < kSideWidth; ++x) {
            const Rgb p = side.at(x, y);
            for (int v : {p.r, p.g, p.b})
                fingerprint = (fingerprint ^ std::uint32_t(v)) * 16777619u;
        }
    std::printf("%s\n%s\n%s\n%08x\n", cells.c_str(), hints.c_str(), hands.c_str(), fingerprint);
    return 0;
}

// ---------------------------------------------------------------- counters

// Where the counters sit in the main window, and their text colour: each
// is written over a disc of its colour in the background picture.
constexpr int kCounterLeft = 105;
constexpr int kCounterWidth = 43;
constexpr int kCounterHeight = 29;
struct Counter {
    int top;
    bool darkText;
};
constexpr Counter kWhiteCounter{262, true};
constexpr Counter kBlackCounter{354, false};

using Mask = std::vector<bool>;

// The strokes of the text: the cores of the glyphs, not their grey shadow
// nor the disc beneath.
bool isStroke(QRgb p, bool darkText)
{
    const int luma = (qRed(p) * 3 + qGreen(p) * 6 + qBlue(p)) / 10;
    return darkText ? luma < 70 : luma > 200;
}

Mask strokesOnScreen(const Grab &grab, int top, bool darkText)
{
    Mask mask(kCounterWidth * kCounterHeight);
    for (int y = 0; y < kCounterHeight; ++y)
        for (int x = 0; x < kCounterWidth; ++x) {
            const Rgb p = grab.at(x, top + y);
            mask[std::size_t(y * kCounterWidth + x)] = isStroke(qRgb(p.r, p.g, p.b), darkText);
        }
    return mask;
}

// A number drawn as the label draws its caption: centred in the label less
// a pixel each side, from the top. The search below allows for a shift.
QImage drawNumber(int number, int pixelSize, bool darkText)
{
    QImage image(kCounterWidth + 16, kCounterHeight + 16, QImage::Format_RGB32);
    image.fill(darkText ? Qt::white : Qt::black);
    QPainter painter(&image);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setBold(true);
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(darkText ? Qt::black : Qt::white);
    painter.drawText(QRect(8 + 1, 8, kCounterWidth - 2, kCounterHeight + 8), Qt::AlignHCenter | Qt::AlignTop,
                     QString::number(number));
    return image;
}

// The number whose drawing overlaps the screen's strokes best, as the share
// of stroke pixels in either that both have (1 is a perfect match).
std::optional<int> readCounter(const Grab &grab, const Counter &counter)
{
    const Mask screen = strokesOnScreen(grab, counter.top, counter.darkText);
    int screenCount = 0;
    for (bool b : screen)
        screenCount += b;
    if (screenCount == 0)
        return std::nullopt;
    double best = 0;
    int bestNumber = -1;
    for (int size = 22; size <= 36; ++size) {
        for (int number = 0; number <= 64; ++number) {
            const QImage image = drawNumber(number, size, counter.darkText);
            std::vector<std::pair<int, int>> strokes;
            for (int y = 0; y < image.height(); ++y) {
                const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (isStroke(line[x], counter.darkText))
                        strokes.emplace_back(x - 8, y - 8);
            }
            const int drawn = int(strokes.size());
            for (int dy = -6; dy <= 6; ++dy)
                for (int dx = -3; dx <= 3; ++dx) {
                    int both = 0;
                    for (auto [x, y] : strokes) {
                        const int sx = x + dx;
                        const int sy = y + dy;
                        both += sx >= 0 && sy >= 0 && sx < kCounterWidth && sy < kCounterHeight
                            && screen[std::size_t(sy * kCounterWidth + sx)];
                    }
                    const double score = double(both) / double(drawn + screenCount - both);
                    if (score > best) {
                        best = score;
                        bestNumber = number;
                    }
                }
        }
    }
    // Well-read numbers score 0.7 and more; some (a 35 on the black disc,
    // whose shadow eats into its strokes) stay near 0.56, still far above
    // any other candidate.
    if (best < 0.5)
        return std::nullopt;
    return bestNumber;
}

int probeCounters(int argc, char **argv, int x0, int y0, double scale)
{
    Grab grab;
    if (!grab.take(x0 + int(std::lround(kCounterLeft * scale)), y0, kCounterWidth,
                   kBlackCounter.top + kCounterHeight, scale))
        return 2;
    // Only fonts are needed: no window is opened.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const auto show = [](std::optional<int> n) { return n ? std::to_string(*n) : std::string("?"); };
    std::printf("%s %s\n", show(readCounter(grab, kWhiteCounter)).c_str(),
                show(readCounter(grab, kBlackCounter)).c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--counters") == 0)
        return probeCounters(argc, argv, std::atoi(argv[2]), std::atoi(argv[3]), argc == 5 ? std::atof(argv[4]) : 1.0);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: board-probe X Y [SCALE]\n       board-probe --counters X Y [SCALE]\n");
        return 2;
    }
    return probeBoard(std::atoi(argv[1]), std::atoi(argv[2]), argc == 4 ? std::atof(argv[3]) : 1.0);
}
