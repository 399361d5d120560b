// Starts a program and times how long until a window of it is mapped on the
// X server named by DISPLAY, checking every 2 ms. Prints milliseconds, or
// nothing and exit 1 after 10 s. The program is ended afterwards.
//   windows-launch-time PROGRAM [ARGS...]
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

bool ownedViewable(xcb_connection_t *c, xcb_window_t w, xcb_atom_t pidAtom, pid_t pid)
{
    auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    if (!viewable)
        return false;
    auto *property = xcb_get_property_reply(c, xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    bool ours = false;
    if (property && xcb_get_property_value_length(property) == 4)
        ours = *static_cast<std::uint32_t *>(xcb_get_property_value(property)) == std::uint32_t(pid);
    std::free(property);
    return ours;
}

// A window of pid, mapped: a child of the root or of a window manager's frame.
bool mapped(xcb_connection_t *c, xcb_window_t root, xcb_atom_t pidAtom, pid_t pid)
{
    auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return false;
    bool found = false;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
        found = ownedViewable(c, children[i], pidAtom, pid);
        if (!found) {
            auto *inner = xcb_query_tree_reply(c, xcb_query_tree(c, children[i]), nullptr);
            if (inner) {
                const xcb_window_t *grand = xcb_query_tree_children(inner);
                for (int j = 0; j < xcb_query_tree_children_length(inner) && !found; ++j)
                    found = ownedViewable(c, grand[j], pidAtom, pid);
                std::free(inner);
            }
        }
    }
    std::free(tree);
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int result = 1;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        if (mapped(c, root, pidAtom, pid)) {
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.1f\n", ms);
            result = 0;
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return result;
}
