#include "programs/desktop/DesktopShow.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "NoDisplay.h"
#include "app/Project1.h"
#include "platform/MusicCommands.h"
#include "platform/fluidsynth/FluidSynthMusic.h"
#include "platform/fluidsynth/MusicThread.h"
#include "platform/qt/QtPlatform.h"

namespace {

bool XServerReachable() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

// Where a Wayland client connects: WAYLAND_DISPLAY, or "wayland-0", in the
// session's runtime folder unless it is a full path.
bool WaylandReachable() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::string path = name != nullptr && *name != '\0' ? name : "wayland-0";
    if (path.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || *runtime == '\0') return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool reachable =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return reachable;
}

// X11 wherever an X server is offered, XWayland included: there the window
// takes its stored position and keeps a blank title and its icon name. On
// Wayland alone the compositor places the window. False when there is
// neither.
bool ChooseWindowSystem() {
    if (XServerReachable()) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    if (WaylandReachable()) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        return true;
    }
    return false;
}

// Qt ends the process with an abort when its window system fails after all
// (the display gone between the check and the connection): its messages are
// held back while the application starts, and a fatal one becomes the one
// line and exit status 1.
QList<std::pair<QtMsgType, QString>> g_held;

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(kNoDesktop, stderr);
        std::_Exit(1);
    }
    (void)context;
    g_held.append({type, text});
}

}  // namespace

int RunDesktopShow(int argc, char** argv, const DesktopHooks& hooks) {
    if (!ChooseWindowSystem()) {
        std::fputs(kNoDesktop, stderr);
        return 1;
    }
    // The show scales its layout to the display's resolution itself; Qt's
    // own scaling would scale it twice.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    const QtMessageHandler qt_messages = qInstallMessageHandler(HoldMessage);
    // The show takes no command line. Qt reads options of its own from the
    // one it is given (-platform, -qwindowgeometry, -reverse, ...), so it is
    // given the program's name alone.
    (void)argc;
    int qt_argc = 1;
    char program_name[] = "Project1";
    char* qt_argv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : program_name, nullptr};
    QApplication qt(qt_argc, qt_argv);
    qInstallMessageHandler(qt_messages);
    for (const auto& [type, text] : std::exchange(g_held, {})) {
        qt_message_output(type, QMessageLogContext(), text);
    }
    // Error boxes may be the only windows shown; dismissing one must not end
    // the program. Closing the main window does.
    QApplication::setQuitOnLastWindowClosed(false);

    FluidSynthMusic sequencer;
    MusicCommands commands(sequencer);
    // The window never waits for the sound: the soundfont, the sound device
    // and the command strings are all dealt with on the music's own thread.
    MusicThread music(commands);
    QtPlatform platform(music);
    platform.OnFirstPaint([&music, &sequencer, &hooks] {
        music.Post([&sequencer] { sequencer.Prepare(); });
        if (hooks.first_paint) hooks.first_paint();
    });
    return Project1(platform, hooks.trace).Run();
}
