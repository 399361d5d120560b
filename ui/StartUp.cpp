#include "ui/StartUp.h"

#include "media/base/Exceptions.h"
#include "media/pictures/Resources.h"
#include "ui/UFinal.h"
#include "ui/USplash.h"
#include "ui/UTavlo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <sched.h>

namespace tavlo {

Windows::Windows() = default;
Windows::Windows(Windows &&) noexcept = default;

Windows::~Windows()
{
    splash.reset();
    main.reset();
}

Windows createWindows()
{
    Windows windows;
    windows.main = std::make_unique<TMain>();
    windows.splash = std::make_unique<TSplash>();
    new TFinal(windows.main.get());
    return windows;
}

QIcon applicationIcon()
{
    // Decoded through the icon reader alone: QIcon would try every image
    // plugin it has on the bytes (and load them all) before finding one.
    const auto picture = [](const QString &name) {
        try {
            return QPixmap::fromImage(decodeIcon(resourceBytes(QStringLiteral("ICON"), name)));
        } catch (const Exception &) {
            return QPixmap();
        }
    };
    const QPixmap normal = picture(QStringLiteral("MainIcon"));
    if (normal.isNull())
        return QIcon();
    QIcon icon(normal);
    // A scaled screen shows icons from the twice-size one.
    if (qGuiApp->devicePixelRatio() > 1.0) {
        const QPixmap twin = picture(QStringLiteral("MainIcon@2X"));
        if (!twin.isNull())
            icon.addPixmap(twin);
    }
    return icon;
}

void keepToOneCore()
{
    // The game's threads hand work to one another many times a second
    // (each animation frame goes from its pacing thread to the window
    // thread, each X event from Qt's reader thread). A handover to a thread
    // on another, idle, core wakes that core, and on a virtual machine that
    // costs more than the work handed over. One core is plenty for a board
    // game; the scheduler still shares it fairly with anything else there.
    const int core = ::sched_getcpu();
    if (core < 0)
        return;
    cpu_set_t cores;
    CPU_ZERO(&cores);
    CPU_SET(core, &cores);
    // Where it cannot be done the game runs as it would anyway.
    ::sched_setaffinity(0, sizeof cores, &cores);
}

} // namespace tavlo
