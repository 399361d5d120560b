#include "ui/Display.h"
#include "ui/Fonts.h"
#include "ui/StartUp.h"
#include "ui/UTavlo.h"

#include <QApplication>
#include <QTimer>

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
    // The main window shows once the loop runs; showing it opens the splash.
    QTimer::singleShot(0, windows.main.get(), [&windows] { windows.main->show(); });
    return QApplication::exec();
}
