// firstwindow PROGRAM [ARGS...]: starts the program and prints the
// milliseconds from its start until the X server maps its first top-level
// window (the moment it is shown), then ends it. Event-driven, no polling, so
// the measuring costs both sides the same. Exit 1 when no window came.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The window's _NET_WM_PID, or 0 when it has none (yet).
long windowPid(Display *display, Window window)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    long pid = 0;
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success
        && data && count == 1)
        pid = *reinterpret_cast<long *>(data);
    if (data)
        XFree(data);
    return pid;
}

}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: firstwindow PROGRAM [ARGS...]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "firstwindow: no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double shown = -1;
    const double limit = start + 30000;
    while (shown < 0 && now() < limit) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify)
                continue;
            const long pid = windowPid(display, event.xmap.window);
            if (pid == 0 || pid == child) {
                shown = now();
                break;
            }
        }
        if (shown >= 0)
            break;
        int status;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "firstwindow: %s ended without a window\n", argv[1]);
            return 1;
        }
        pollfd fd { ConnectionNumber(display), POLLIN, 0 };
        poll(&fd, 1, 50);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    if (shown < 0) {
        std::fprintf(stderr, "firstwindow: no window within 30 s\n");
        return 1;
    }
    std::printf("%.3f\n", shown - start);
    return 0;
}
