#include "GifWriter.h"

#include <algorithm>
#include <gif_lib.h>

#include <stdexcept>

namespace makeassets {

namespace {

int writeToBytes(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<Bytes *>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

ColorMapObject *makeMap(const std::vector<Rgb> &table)
{
    std::vector<GifColorType> colours;
    for (const Rgb &c : table)
        colours.push_back({c.r, c.g, c.b});
    ColorMapObject *map = GifMakeMapObject(int(colours.size()), colours.data());
    if (!map)
        throw std::runtime_error("colour table size must be a power of two");
    return map;
}

void check(int status, GifFileType *gif, const char *what)
{
    if (status != GIF_OK)
        throw std::runtime_error(std::string("giflib: ") + what + ": "
                                 + GifErrorString(gif ? gif->Error : 0));
}

int colourResolution(std::size_t tableSize)
{
    int bits = 1;
    while ((std::size_t(1) << bits) < tableSize)
        ++bits;
    return bits;
}

} // namespace

Bytes encodeGif(const GifMovie &movie)
{
    Bytes out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, writeToBytes, &error);
    if (!gif)
        throw std::runtime_error(std::string("giflib: ") + GifErrorString(error));
    EGifSetGifVersion(gif, true);

    ColorMapObject *global = movie.globalTable.empty() ? nullptr : makeMap(movie.globalTable);
    gif->AspectByte = movie.aspectByte;
    const int resolution = colourResolution(movie.globalTable.empty() ? 256 : movie.globalTable.size());
    const int status = EGifPutScreenDesc(gif, movie.width, movie.height, resolution,
                                         movie.backgroundIndex, global);
    if (global)
        GifFreeMapObject(global);
    check(status, gif, "screen descriptor");

    if (movie.loopCount) {
        const GifByteType loop[3] = {1, GifByteType(*movie.loopCount & 0xFF),
                                     GifByteType((*movie.loopCount >> 8) & 0xFF)};
        check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, "loop extension");
        check(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"), gif, "loop extension");
        check(EGifPutExtensionBlock(gif, 3, loop), gif, "loop extension");
        check(EGifPutExtensionTrailer(gif), gif, "loop extension");
    }

    for (const GifFrame &frame : movie.frames) {
        const bool hasKey = frame.transparentIndex >= 0;
        const GifByteType control[4] = {
            GifByteType(((frame.disposal & 7) << 2) | (hasKey ? 1 : 0)),
            GifByteType(frame.delay & 0xFF), GifByteType((frame.delay >> 8) & 0xFF),
            GifByteType(hasKey ? frame.transparentIndex : 0)};
        check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control), gif, "frame control");

        ColorMapObject *local = frame.localTable ? makeMap(*frame.localTable) : nullptr;
        const int put = EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                         false, local);
        if (local)
            GifFreeMapObject(local);
        check(put, gif, "image descriptor");
        std::vector<GifPixelType> row(std::size_t(frame.width));
        for (int y = 0; y < frame.height; ++y) {
            std::copy_n(frame.indices.begin() + std::ptrdiff_t(y) * frame.width, frame.width, row.begin());
            check(EGifPutLine(gif, row.data(), frame.width), gif, "pixels");
        }
    }

    if (!movie.trailingComment.empty()) {
        check(EGifPutExtensionLeader(gif, COMMENT_EXT_FUNC_CODE), gif, "comment");
        for (const std::string &block : movie.trailingComment) {
            if (block.empty() || block.size() > 255)
                throw std::runtime_error("comment sub-blocks hold 1 to 255 bytes");
            check(EGifPutExtensionBlock(gif, int(block.size()), block.data()), gif, "comment");
        }
        check(EGifPutExtensionTrailer(gif), gif, "comment");
    }

    if (EGifCloseFile(gif, &error) != GIF_OK)
        throw std::runtime_error(std::string("giflib: ") + GifErrorString(error));

    // Some giflib versions always write 0 as the pixel aspect byte.
    if (out.size() > 12)
        out[12] = movie.aspectByte;
    return out;
}

void appendWithOwnTable(GifMovie &movie, GifFrame frame, Indexed indexed, int keyIndex)
{
    frame.indices = std::move(indexed.frames.front());
    frame.transparentIndex = keyIndex;
    if (movie.frames.empty())
        movie.globalTable = std::move(indexed.palette);
    else
        frame.localTable = std::move(indexed.palette);
    movie.frames.push_back(std::move(frame));
}

} // namespace makeassets
