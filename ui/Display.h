#pragma once

namespace tavlo {

// What the program says when it has no screen to open its window on.
inline constexpr const char *kNoDisplayMessage =
    "no display: start Tavlo from a desktop session, or under xvfb-run";

// Whether the windowing system the application would start on can be
// reached. Qt aborts the process when it cannot connect, so the program
// asks first. A platform chosen explicitly (other than X11) is trusted.
bool displayAvailable(int argc, char **argv);

} // namespace tavlo
