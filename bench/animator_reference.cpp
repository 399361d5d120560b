// Reference for the idle CPU of the game's animations: a bare Qt window
// playing the same two embedded GIFs with Qt's own movie player, measured
// over the same 30 s. Run by animator.sh.
#include "media/Resources.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMovie>
#include <QTest>

#include <cstdio>
#include <ctime>

namespace {

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QMovie *play(QWidget *window, const QString &name, const QRect &where, QByteArray &bytes)
{
    bytes = tavlo::resourceBytes(QStringLiteral("GIF"), name);
    auto *buffer = new QBuffer(&bytes, window);
    auto *movie = new QMovie(buffer, QByteArray("gif"), window);
    auto *label = new QLabel(window);
    label->setGeometry(where);
    label->setScaledContents(true);
    label->setMovie(movie);
    movie->start();
    return movie;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(800, 600);
    window.setStyleSheet(QStringLiteral("background: #803060;"));
    QByteArray title, character;
    play(&window, QStringLiteral("TITLE"), QRect(200, 4, 400, 70), title);
    play(&window, QStringLiteral("CHARACTER"), QRect(184, 464, 90, 115), character);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000))
        return 1;
    QTest::qWait(2000);
    const double cpu = processCpuSeconds();
    QTest::qWait(30000);
    std::printf("row\treference: bare Qt window, QMovie playing both GIFs, 30 s\t%.2f%% of one core\t-\n",
                100.0 * (processCpuSeconds() - cpu) / 30.0);
    return 0;
}
