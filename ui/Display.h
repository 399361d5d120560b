#pragma once

#include <QByteArray>

namespace tavlo {

// What the program says when it has no screen to open its window on.
inline constexpr const char *kNoDisplayMessage =
    "no display: start Tavlo from a desktop session, or under xvfb-run";

// The windowing system the game opens its windows on, chosen before the
// application exists: Qt aborts the process when it cannot connect, and
// with its Wayland plugin installed it would pick Wayland whenever
// WAYLAND_DISPLAY is set, where windows cannot be placed, kept on top or
// given a moving pointer.
struct DisplayChoice {
    bool available{false};
    // The platform to ask Qt for; empty keeps the one the player named.
    QByteArray platform;
};

// An X server that answers wins (a Wayland desktop's own X server
// included), then a Wayland compositor that answers. A platform the player
// named (QT_QPA_PLATFORM, or -platform) is kept when what it names can be
// reached; platforms other than X11 and Wayland are trusted.
DisplayChoice chooseDisplay(int argc, char **argv);
bool displayAvailable(int argc, char **argv);

// Whether an X server answers on DISPLAY.
bool xServerReachable();
// Whether a Wayland compositor answers on WAYLAND_DISPLAY (a name under
// XDG_RUNTIME_DIR, or a path); a socket nobody serves, or whose owner says
// nothing within a second, does not count.
bool waylandReachable();

} // namespace tavlo
