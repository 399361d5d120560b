#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRgb>

#include <gif_lib.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace tavlo::test {

// Hand-made GIF89a files, written with giflib so that they are not made by
// the code they test: a screen with its global table, then frames, each
// with an optional graphic control block and an optional local table.
class GifWriter {
public:
    GifWriter(int screenWidth, int screenHeight, const QList<QRgb> &palette)
    {
        int error = 0;
        m_gif = EGifOpen(&m_bytes, append, &error);
        if (m_gif == nullptr)
            return;
        EGifSetGifVersion(m_gif, true);
        ColorMapObject *map = colorMap(palette);
        EGifPutScreenDesc(m_gif, screenWidth, screenHeight, 8, 0, map);
        GifFreeMapObject(map);
    }
    ~GifWriter() { finish(); }
    GifWriter(const GifWriter &) = delete;
    GifWriter &operator=(const GifWriter &) = delete;

    // The graphic control block of the next frame; transparent < 0 for none.
    void control(int disposal, int delayHundredths, int transparent)
    {
        if (m_gif == nullptr)
            return;
        GraphicsControlBlock block{};
        block.DisposalMode = disposal;
        block.UserInputFlag = false;
        block.DelayTime = delayHundredths;
        block.TransparentColor = transparent < 0 ? NO_TRANSPARENT_COLOR : transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&block, extension);
        EGifPutExtension(m_gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
    }

    // A frame over rect whose pixel (x, y), counted from its corner, has the
    // colour index pixel(x, y), asked for row by row; with a palette, the
    // frame has it as its local table.
    void frame(const QRect &rect, const std::function<GifPixelType(int, int)> &pixel,
               const QList<QRgb> &palette = {})
    {
        if (m_gif == nullptr)
            return;
        ColorMapObject *local = palette.isEmpty() ? nullptr : colorMap(palette);
        EGifPutImageDesc(m_gif, rect.left(), rect.top(), rect.width(), rect.height(), false, local);
        std::vector<GifPixelType> row(std::size_t(rect.width()));
        for (int y = 0; y < rect.height(); ++y) {
            for (int x = 0; x < rect.width(); ++x)
                row[std::size_t(x)] = pixel(x, y);
            EGifPutLine(m_gif, row.data(), rect.width());
        }
        if (local != nullptr)
            GifFreeMapObject(local);
    }

    // The file, closed; empty when giflib could not open it.
    QByteArray finish()
    {
        if (m_gif != nullptr) {
            int error = 0;
            EGifCloseFile(m_gif, &error);
            m_gif = nullptr;
        }
        return m_bytes;
    }

private:
    static int append(GifFileType *gif, const GifByteType *data, int length)
    {
        static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
        return length;
    }
    static ColorMapObject *colorMap(const QList<QRgb> &palette)
    {
        std::vector<GifColorType> colors;
        for (const QRgb c : palette)
            colors.push_back({GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))});
        return GifMakeMapObject(int(colors.size()), colors.data());
    }

    QByteArray m_bytes;
    GifFileType *m_gif{nullptr};
};

} // namespace tavlo::test
