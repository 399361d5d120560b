// The yardstick for start-up time: a bare Qt 6 window that paints one
// 300 x 300 picture, nothing else. Run by windows.sh.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

class Picture : public QWidget {
public:
    Picture()
        : m_picture(300, 300, QImage::Format_RGB32)
    {
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                m_picture.setPixel(x, y, qRgb(x * 255 / 300, y * 255 / 300, 128));
        setFixedSize(300, 300);
        setWindowTitle(QStringLiteral("bare"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawImage(0, 0, m_picture);
    }

private:
    QImage m_picture;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Picture window;
    window.show();
    return QApplication::exec();
}
