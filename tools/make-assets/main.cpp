// make-assets: turns the source art in assets/src into the files the program
// embeds, each under its resource name.
//
//   make-assets SOURCE_DIR OUTPUT_DIR
//   make-assets --stress FILE.gif
//
// Every picture is also rendered at twice its size from the same source, for
// screens scaled to 200 % and between, as NAME@2x beside NAME. The program's
// icon is also rendered as PNG at the desktop's icon sizes, icons/MAINICON-N.png,
// which are installed rather than embedded.
//
// The output depends only on the sources: the same input gives the same bytes.

#include "DibWriter.h"
#include "GifWriter.h"
#include "IconWriter.h"
#include "JpegWriter.h"
#include "Quantise.h"
#include "Raster.h"
#include "Sound.h"
#include "Stress.h"

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace makeassets;

namespace {

constexpr int jpegQuality = 92;

// The hicolor icon theme's fixed sizes (assets/CMakeLists.txt lists the same).
constexpr std::array<int, 8> iconSizes{16, 22, 24, 32, 48, 64, 128, 256};

struct Rect {
    int left, top, width, height;
};

// The dancing creature's frames, each cropped to what it draws.
constexpr std::array<Rect, 6> characterFrames{{
    {0, 0, 90, 115}, {3, 1, 80, 111}, {3, 2, 81, 108},
    {12, 9, 67, 102}, {4, 5, 79, 106}, {2, 3, 82, 109},
}};

Image opaqueSvg(const fs::path &svg, int width, int height)
{
    return flatten(rasteriseSvg(svg, width, height), {0, 0, 0});
}

Bytes makeTitle(const fs::path &src, int scale)
{
    GifMovie movie;
    movie.width = 400 * scale;
    movie.height = 70 * scale;
    movie.loopCount = 0;
    QuantiseOptions options;
    options.tableSize = 256;
    options.keyIndex = 235;
    options.keyColour = {0, 0, 0};
    options.dithering = 0.6f;
    options.speed = 1;
    // Readers that restore to the screen's background colour then clear to
    // transparent too.
    movie.backgroundIndex = options.keyIndex;
    for (int f = 0; f < 20; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%02d.svg", f);
        const Image image = rasteriseSvg(src / "title" / name, movie.width, movie.height);
        GifFrame frame;
        frame.width = movie.width;
        frame.height = movie.height;
        // Each frame keeps its full 256 colours.
        appendWithOwnTable(movie, std::move(frame), quantise({&image}, options), options.keyIndex);
    }
    return encodeGif(movie);
}

Bytes makeCharacter(const fs::path &src, int scale)
{
    GifMovie movie;
    movie.width = 90 * scale;
    movie.height = 115 * scale;
    movie.aspectByte = 1;
    movie.loopCount = 1000;
    std::vector<Image> images;
    for (std::size_t f = 0; f < characterFrames.size(); ++f) {
        const Rect &r = characterFrames[f];
        images.push_back(rasteriseSvg(src / "character" / ("frame" + std::to_string(f) + ".svg"),
                                      r.width * scale, r.height * scale));
    }
    std::vector<const Image *> all;
    for (const Image &image : images)
        all.push_back(&image);
    QuantiseOptions options;
    options.tableSize = 64;
    options.keyIndex = 1;
    options.keyColour = {255, 255, 255};
    options.dithering = 0.5f;
    options.speed = 1;
    Indexed indexed = quantise(all, options);
    movie.globalTable = indexed.palette;
    movie.backgroundIndex = options.keyIndex;
    for (std::size_t f = 0; f < characterFrames.size(); ++f) {
        const Rect &r = characterFrames[f];
        GifFrame frame;
        frame.left = r.left * scale;
        frame.top = r.top * scale;
        frame.width = r.width * scale;
        frame.height = r.height * scale;
        frame.indices = std::move(indexed.frames[f]);
        frame.transparentIndex = options.keyIndex;
        movie.frames.push_back(std::move(frame));
    }
    movie.trailingComment = {"Tavlo dancer, six frames on one 64-colour table.",
                             "Drawn as SVG and quantised at build time.",
                             "Transparent index 1."};
    return encodeGif(movie);
}

// Every picture at one scale: 1 writes NAME.ext, 2 writes NAME@2x.ext at
// twice the width and height (GIF frame offsets doubled too) and twice the
// stated resolution.
void makePictures(const fs::path &src, const fs::path &out, int scale)
{
    const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    const auto file = [&](const std::string &name, const char *ext) { return out / (name + suffix + ext); };
    const int dpi = 72 * scale;
    writeFile(file("FOND", ".jpg"),
              encodeProgressiveJpeg(opaqueSvg(src / "FOND.svg", 800 * scale, 600 * scale), jpegQuality, dpi));
    writeFile(file("SPLASH", ".jpg"),
              encodeProgressiveJpeg(opaqueSvg(src / "SPLASH.svg", 300 * scale, 300 * scale), jpegQuality, dpi));
    writeFile(file("FINAL", ".jpg"),
              encodeProgressiveJpeg(opaqueSvg(src / "FINAL.svg", 300 * scale, 300 * scale), jpegQuality, dpi));
    for (int i = 0; i < 8; ++i) {
        const std::string name = "PIONB" + std::to_string(i);
        writeFile(file(name, ".bmp"),
                  encodeDib24(opaqueSvg(src / (name + ".svg"), 60 * scale, 60 * scale), 2834u * unsigned(scale)));
    }
    writeFile(file("TITLE", ".gif"), makeTitle(src, scale));
    writeFile(file("CHARACTER", ".gif"), makeCharacter(src, scale));
    writeFile(file("MAINICON", ".ico"), encodeIcon16(rasteriseSvg(src / "MAINICON.svg", 32 * scale, 32 * scale)));
}

void makeAll(const fs::path &src, const fs::path &out)
{
    fs::create_directories(out);
    makePictures(src, out, 1);
    makePictures(src, out, 2);
    writeFile(out / "CLICK.wav", synthesiseRecipe(src / "CLICK.recipe"));
    writeFile(out / "BLOQUE.wav", synthesiseRecipe(src / "BLOQUE.recipe"));
    fs::create_directories(out / "icons");
    for (const int size : iconSizes)
        writeFile(out / "icons" / ("MAINICON-" + std::to_string(size) + ".png"),
                  rasteriseSvgToPng(src / "MAINICON.svg", size, size));
}

int usage()
{
    std::fprintf(stderr, "usage: make-assets SOURCE_DIR OUTPUT_DIR\n"
                         "       make-assets --stress FILE.gif\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--stress") {
            writeFile(argv[2], makeStressGif());
            return 0;
        }
        if (argc != 3 || argv[1][0] == '-')
            return usage();
        makeAll(argv[1], argv[2]);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make-assets: %s\n", e.what());
        return 1;
    }
}
