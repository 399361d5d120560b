#include "ui/Display.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstring>

#ifdef TAVLO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace tavlo {

bool displayAvailable(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return true;
    const bool hasX = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (platform.isEmpty() && !hasX && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    if (!hasX)
        return false;
#ifdef TAVLO_HAVE_XCB
    // A DISPLAY that names a server nobody answers is no better than none.
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return reachable;
#else
    return true;
#endif
}

} // namespace tavlo
