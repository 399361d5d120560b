#include "ui/Display.h"
#include "ui/Fonts.h"
#include "ui/StartUp.h"
#include "ui/UTavlo.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    // Qt would abort with a long message; say it in one line instead.
    if (!tavlo::displayAvailable(argc, argv)) {
        std::fprintf(stderr, "%s\n", tavlo::kNoDisplayMessage);
        return 1;
    }
    QApplication app(argc, argv);
    tavlo::installFontSubstitutions();
    QApplication::setWindowIcon(tavlo::applicationIcon());

    tavlo::Windows windows = tavlo::createWindows();
    // Showing the main window opens the splash, modally, at once: nothing
    // else queued at start-up is served before the splash is on screen.
    windows.main->show();
    return QApplication::exec();
}
