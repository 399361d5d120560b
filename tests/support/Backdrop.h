#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <functional>
#include <utility>

namespace tavlo::test {

// A parent window with a picture behind its children, as the game's windows
// have: Qt paints it first, so whatever a child leaves unpainted shows it.
class Backdrop : public QWidget {
public:
    explicit Backdrop(QImage picture)
        : m_picture(std::move(picture))
    {
        resize(m_picture.size());
    }
    // A window of that size whose pixel (x, y) is colour(x, y).
    Backdrop(QSize size, const std::function<QRgb(int, int)> &colour)
        : Backdrop(QImage(size, QImage::Format_RGB32))
    {
        paintPicture(colour);
    }

    const QImage &picture() const { return m_picture; }
    // Changes the picture without asking for a repaint.
    void paintPicture(const std::function<QRgb(int, int)> &colour)
    {
        for (int y = 0; y < m_picture.height(); ++y)
            for (int x = 0; x < m_picture.width(); ++x)
                m_picture.setPixel(x, y, colour(x, y));
    }

    // What the window shows in rect, children included: what was painted
    // into its backing store, not a fresh rendering.
    QImage shot(const QRect &rect)
    {
        QCoreApplication::sendPostedEvents();
        return screen()->grabWindow(winId()).toImage().copy(rect).convertToFormat(QImage::Format_RGB32);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect(), m_picture, event->rect());
    }

private:
    QImage m_picture;
};

} // namespace tavlo::test
