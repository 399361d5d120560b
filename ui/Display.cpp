#include "ui/Display.h"

#include <QList>
#include <QtGlobal>

#include <cstdint>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#ifdef TAVLO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace tavlo {

namespace {

// A compositor answers a sync within milliseconds; one that has said
// nothing after this long is not going to carry the game.
constexpr int kWaylandAnswerMs = 1000;

QByteArray waylandSocketPath()
{
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return {};
    if (name.startsWith('/'))
        return name;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return {};
    return runtime + '/' + name;
}

enum class Kind { X11, Wayland, Other };

Kind kindOf(const QByteArray &platform)
{
    // "name:options"
    const qsizetype colon = platform.indexOf(':');
    const QByteArray name = (colon < 0 ? platform : platform.left(colon)).trimmed();
    if (name == "xcb")
        return Kind::X11;
    if (name.startsWith("wayland"))
        return Kind::Wayland;
    return Kind::Other;
}

// A platform list as Qt takes it ("wayland;xcb"): Qt tries each in turn.
bool anyReachable(const QByteArray &list)
{
    for (const QByteArray &platform : list.split(';')) {
        if (platform.trimmed().isEmpty())
            continue;
        switch (kindOf(platform)) {
        case Kind::X11:
            if (xServerReachable())
                return true;
            break;
        case Kind::Wayland:
            if (waylandReachable())
                return true;
            break;
        case Kind::Other:
            return true;
        }
    }
    return false;
}

} // namespace

bool xServerReachable()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
#ifdef TAVLO_HAVE_XCB
    // A DISPLAY that names a server nobody runs is no better than none.
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return reachable;
#else
    return true;
#endif
}

bool waylandReachable()
{
    // A socket handed over by whoever started us is the compositor's own.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        return true;
    const QByteArray path = waylandSocketPath();
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool answered = false;
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0) {
        // wl_display.sync (object 1, request 0, 12 bytes) asking for a new
        // callback object 2: a living compositor answers with its "done".
        const std::uint32_t sync[3] = {1, (12u << 16) | 0u, 2};
        if (send(fd, sync, sizeof(sync), MSG_NOSIGNAL) == ssize_t(sizeof(sync))) {
            pollfd waiting{fd, POLLIN, 0};
            if (poll(&waiting, 1, kWaylandAnswerMs) == 1 && (waiting.revents & POLLIN)) {
                std::uint32_t reply[2];
                answered = recv(fd, reply, sizeof(reply), 0) == ssize_t(sizeof(reply));
            }
        }
    }
    close(fd);
    return answered;
}

DisplayChoice chooseDisplay(int argc, char **argv)
{
    // Qt takes -platform over the environment.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return {anyReachable(argv[i + 1]), {}};
    const QByteArray named = qgetenv("QT_QPA_PLATFORM");
    if (!named.trimmed().isEmpty())
        return {anyReachable(named), {}};
    if (xServerReachable())
        return {true, QByteArrayLiteral("xcb")};
    if (waylandReachable())
        return {true, QByteArrayLiteral("wayland")};
    return {};
}

bool displayAvailable(int argc, char **argv)
{
    return chooseDisplay(argc, argv).available;
}

} // namespace tavlo
