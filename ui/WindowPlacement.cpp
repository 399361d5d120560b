#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

#ifdef TAVLO_HAVE_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#endif

namespace tavlo {

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;
    QRect frame(QPoint(0, 0), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

std::optional<double> fittingScaleFactor(QSize window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || window.isEmpty())
        return std::nullopt;
    const QRect free = screen->availableGeometry();
    if (free.isEmpty())
        return std::nullopt;
    const double ratio = std::min(double(free.width()) / window.width(), double(free.height()) / window.height());
    if (ratio >= 1.0)
        return std::nullopt;
    bool set = false;
    double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&set);
    if (!set || factor <= 0.0)
        factor = 1.0;
    // Rounded down, so the window is never a pixel too large; the small
    // allowance keeps an exact ratio (1080 / 600) from falling a step.
    const double fitting = std::floor(factor * ratio * 1000.0 + 1e-6) / 1000.0;
    return std::max(fitting, 0.001);
}

std::optional<QByteArray> dropUnusableScaleFactor()
{
    // An empty value is Qt's "unset" too.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        return std::nullopt;
    const QByteArray given = qgetenv("QT_SCALE_FACTOR");
    bool number = false;
    const double factor = given.trimmed().toDouble(&number);
    if (number && std::isfinite(factor) && factor > 0.0)
        return std::nullopt;
    qunsetenv("QT_SCALE_FACTOR");
    return given;
}

#ifdef TAVLO_HAVE_XCB
namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, std::uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace
#endif

void hideFromTaskbar(QWidget *window)
{
#ifdef TAVLO_HAVE_XCB
    if (!window)
        return;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto native = xcb_window_t(window->winId());
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = internAtom(connection, "_NET_WM_STATE_SKIP_PAGER");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE || skipPager == XCB_ATOM_NONE)
        return;

    if (window->windowHandle() && window->windowHandle()->isExposed()) {
        // A mapped window's state belongs to the window manager: ask it.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = native;
        message.type = state;
        message.data.data32[0] = 1; // _NET_WM_STATE_ADD
        message.data.data32[1] = skipTaskbar;
        message.data.data32[2] = skipPager;
        message.data.data32[3] = 1; // from a normal application
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(connection);
        return;
    }

    // Keep whatever states are already there.
    std::vector<xcb_atom_t> atoms;
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, native, state, XCB_ATOM_ATOM, 0, 1024);
    if (xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr)) {
        if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
            atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
    }
    for (xcb_atom_t wanted : {skipTaskbar, skipPager})
        if (std::find(atoms.begin(), atoms.end(), wanted) == atoms.end())
            atoms.push_back(wanted);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, native, state, XCB_ATOM_ATOM, 32,
                        std::uint32_t(atoms.size()), atoms.data());
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

} // namespace tavlo
