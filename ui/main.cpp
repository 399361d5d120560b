#include "ui/Display.h"
#include "ui/Fonts.h"
#include "ui/StartUp.h"
#include "ui/UTavlo.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QThreadPool>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// QApplication takes the options it knows out of the arguments; each new
// application gets the full list again.
class Arguments {
public:
    Arguments(int argc, char **argv)
    {
        for (int i = 0; i < argc; ++i)
            m_kept.append(QByteArray(argv[i]));
    }
    std::unique_ptr<QApplication> makeApplication()
    {
        m_pointers.clear();
        for (QByteArray &argument : m_kept)
            m_pointers.push_back(argument.data());
        m_pointers.push_back(nullptr);
        m_count = int(m_kept.size());
        return std::make_unique<QApplication>(m_count, m_pointers.data());
    }

private:
    QList<QByteArray> m_kept;
    std::vector<char *> m_pointers;
    // QApplication keeps a reference to it.
    int m_count{0};
};

} // namespace

int main(int argc, char **argv)
{
    // Qt would abort with a long message; say it in one line instead.
    const tavlo::DisplayChoice display = tavlo::chooseDisplay(argc, argv);
    if (!display.available) {
        std::fprintf(stderr, "%s\n", tavlo::kNoDisplayMessage);
        return 1;
    }
    if (!display.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", display.platform);
    tavlo::keepToOneCore();

    if (const auto ignored = tavlo::dropUnusableScaleFactor())
        std::fprintf(stderr, "QT_SCALE_FACTOR=%s ignored: a scale factor is a number above zero\n",
                     ignored->constData());

    Arguments arguments(argc, argv);
    auto app = arguments.makeApplication();
    // The windows cannot be moved or resized by the player: on a screen
    // whose free area is smaller than the main window at the desktop's
    // scale, the game starts again at a scale that fits, before any window
    // shows. Twice at most, in case rounding left a pixel over.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto factor = tavlo::fittingScaleFactor();
        if (!factor)
            break;
        app.reset();
        qputenv("QT_SCALE_FACTOR", QByteArray::number(*factor, 'g', 6));
        app = arguments.makeApplication();
    }

    // Qt's painting splits the blits of large pictures (the whole background)
    // over its shared thread pool, whose threads then idle for half a minute
    // before they end. Here they end as soon as their share is drawn: the
    // game does nothing else in parallel, and the process stays at its window
    // thread and the two animation timers.
    QThreadPool::globalInstance()->setExpiryTimeout(0);

    tavlo::installFontSubstitutions();
    QApplication::setWindowIcon(tavlo::applicationIcon());

    tavlo::Windows windows = tavlo::createWindows();
    // Showing the main window opens the splash, modally, at once: nothing
    // else queued at start-up is served before the splash is on screen.
    windows.main->show();
    return QApplication::exec();
}
