// make-assets: turns the source art in assets/src into the files the program
// embeds, each under its resource name.
//
//   make-assets SOURCE_DIR OUTPUT_DIR
//   make-assets --stress FILE.gif
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

Bytes makeTitle(const fs::path &src)
{
    GifMovie movie;
    movie.width = 400;
    movie.height = 70;
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
        const Image image = rasteriseSvg(src / "title" / name, 400, 70);
        Indexed indexed = quantise({&image}, options);
        GifFrame frame;
        frame.width = 400;
        frame.height = 70;
        frame.indices = std::move(indexed.frames.front());
        frame.transparentIndex = options.keyIndex;
        // The first frame draws with the global table, every later one
        // carries its own, so each frame keeps its full 256 colours.
        if (f == 0)
            movie.globalTable = indexed.palette;
        else
            frame.localTable = indexed.palette;
        movie.frames.push_back(std::move(frame));
    }
    return encodeGif(movie);
}

Bytes makeCharacter(const fs::path &src)
{
    GifMovie movie;
    movie.width = 90;
    movie.height = 115;
    movie.aspectByte = 1;
    movie.loopCount = 1000;
    std::vector<Image> images;
    for (std::size_t f = 0; f < characterFrames.size(); ++f) {
        const Rect &r = characterFrames[f];
        images.push_back(rasteriseSvg(src / "character" / ("frame" + std::to_string(f) + ".svg"),
                                      r.width, r.height));
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
        frame.left = r.left;
        frame.top = r.top;
        frame.width = r.width;
        frame.height = r.height;
        frame.indices = std::move(indexed.frames[f]);
        frame.transparentIndex = options.keyIndex;
        movie.frames.push_back(std::move(frame));
    }
    movie.trailingComment = {"Tavlo dancer, six frames on one 64-colour table.",
                             "Drawn as SVG and quantised at build time.",
                             "Transparent index 1."};
    return encodeGif(movie);
}

void makeAll(const fs::path &src, const fs::path &out)
{
    fs::create_directories(out);
    writeFile(out / "FOND.jpg", encodeProgressiveJpeg(opaqueSvg(src / "FOND.svg", 800, 600), jpegQuality));
    writeFile(out / "SPLASH.jpg", encodeProgressiveJpeg(opaqueSvg(src / "SPLASH.svg", 300, 300), jpegQuality));
    writeFile(out / "FINAL.jpg", encodeProgressiveJpeg(opaqueSvg(src / "FINAL.svg", 300, 300), jpegQuality));
    for (int i = 0; i < 8; ++i) {
        const std::string name = "PIONB" + std::to_string(i);
        writeFile(out / (name + ".bmp"), encodeDib24(opaqueSvg(src / (name + ".svg"), 60, 60)));
    }
    writeFile(out / "CLICK.wav", synthesiseRecipe(src / "CLICK.recipe"));
    writeFile(out / "BLOQUE.wav", synthesiseRecipe(src / "BLOQUE.recipe"));
    writeFile(out / "TITLE.gif", makeTitle(src));
    writeFile(out / "CHARACTER.gif", makeCharacter(src));
    writeFile(out / "MAINICON.ico", encodeIcon16(rasteriseSvg(src / "MAINICON.svg", 32, 32)));
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
