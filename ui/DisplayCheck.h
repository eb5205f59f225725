#pragma once

#include <QString>

// What a start of the window needs to know about the display.
struct DisplayEnvironment {
    QString platform; // "-platform NAME" or QT_QPA_PLATFORM; empty for the system's default
    bool x11 = false; // DISPLAY is set
    bool wayland = false; // WAYLAND_DISPLAY is set
};

// The line the window prints where it cannot open, in place of the
// toolkit's abort.
inline constexpr const char* kNoDisplayMessage
    = "orlet: no display found; orlet-gen writes the same code without one (see orlet-gen --help)\n";

// This process's display environment; `argv` as main() got it.
DisplayEnvironment CurrentDisplayEnvironment(int argc, char** argv);

// Whether a window can be opened: X11 needs DISPLAY and Wayland needs
// WAYLAND_DISPLAY; any other platform (offscreen, VNC, a framebuffer, the
// native one of Windows or macOS) is left to the toolkit. A list of
// platforms ("wayland;xcb") can open one if any of its entries can.
bool CanOpenWindow(const DisplayEnvironment& environment);

// While it lives, a fatal error of the toolkit (a DISPLAY that names no
// reachable server) ends the process with kNoDisplayMessage and status 1
// instead of an abort. The toolkit's other messages are held back and
// passed on when the guard ends, so that a failed start says one line.
class DisplayStartGuard
{
public:
    DisplayStartGuard();
    ~DisplayStartGuard();
    DisplayStartGuard(const DisplayStartGuard&) = delete;
    DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;
};
