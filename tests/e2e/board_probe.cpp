// Reads the board straight off the X server for the end-to-end tests: one
// screen grab of the board's area, classified without writing a picture.
//
//   board-probe X Y [SCALE]   (X, Y: the board's top-left on the screen;
//                              SCALE: screen pixels per window pixel, 1)
//
// prints three lines: the 64 cells row by row ("W" white disc, "B" black
// disc, "E" empty square), then the cells that carry a move hint, then the
// cells where the game draws the computer's hand (a pointer picture with its
// tip 20 pixels inside the cell), each as "column,row" pairs separated by
// blanks (empty line when none).
#include <xcb/xcb.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kCell = 60;
constexpr int kBoard = 8 * kCell;

struct Rgb {
    int r, g, b;
};

char classify(Rgb p)
{
    const int sum = p.r + p.g + p.b;
    const int spread = std::abs(p.r - p.b);
    if (sum < 180)
        return 'B';
    if (sum > 480 && spread < 40)
        return 'W';
    return 'E';
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: board-probe X Y [SCALE]\n");
        return 2;
    }
    const int x0 = std::atoi(argv[1]);
    const int y0 = std::atoi(argv[2]);
    const double scale = argc == 4 ? std::atof(argv[3]) : 1.0;
    const int side = int(std::lround(kBoard * scale));

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "board-probe: cannot open the display\n");
        return 2;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, std::int16_t(x0),
                                std::int16_t(y0), std::uint16_t(side), std::uint16_t(side), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->depth < 24) {
        std::fprintf(stderr, "board-probe: cannot read the screen\n");
        xcb_disconnect(c);
        return 2;
    }
    const auto *data = xcb_get_image_data(reply.get());
    const int length = xcb_get_image_data_length(reply.get());
    if (length < side * side * 4) {
        std::fprintf(stderr, "board-probe: unexpected pixel format\n");
        xcb_disconnect(c);
        return 2;
    }
    // 32 bits a pixel, blue first; x and y in window pixels.
    const auto at = [&](int x, int y) {
        const int sx = std::min(side - 1, int(std::lround((x + 0.5) * scale - 0.5)));
        const int sy = std::min(side - 1, int(std::lround((y + 0.5) * scale - 0.5)));
        const auto *p = data + (sy * side + sx) * 4;
        return Rgb{p[2], p[1], p[0]};
    };
    const auto bright = [](Rgb p) { return p.r + p.g + p.b > 700; };
    const auto dark = [](Rgb p) { return p.r + p.g + p.b < 180; };

    std::string cells;
    std::string hints;
    std::string hands;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int left = column * kCell;
            const int top = row * kCell;
            // 10 pixels below the top edge, centred: inside a disc, outside
            // the hint's circle and number.
            cells += classify(at(left + 30, top + 10));
            // A hint's circle is drawn with a pure blue pen.
            int blue = 0;
            for (int y = top + 10; y < top + 50; ++y)
                for (int x = left + 10; x < left + 50; ++x) {
                    const Rgb p = at(x, y);
                    blue += p.r == 0 && p.g == 0 && p.b == 255;
                }
            if (blue >= 20) {
                if (!hints.empty())
                    hints += ' ';
                hints += std::to_string(column) + ',' + std::to_string(row);
            }
            // Ten pixels below the hand's tip: its black left edge on the
            // tip's column, then its white inside.
            if (dark(at(left + 20, top + 30)) && bright(at(left + 22, top + 30)) && bright(at(left + 26, top + 30))) {
                if (!hands.empty())
                    hands += ' ';
                hands += std::to_string(column) + ',' + std::to_string(row);
            }
        }
    }
    std::printf("%s\n%s\n%s\n", cells.c_str(), hints.c_str(), hands.c_str());
    xcb_disconnect(c);
    return 0;
}
