#include "platform/qt/DesktopShow.h"

#include <QApplication>

#include "app/Project1.h"
#include "platform/MusicCommands.h"
#include "platform/qt/FluidSynthMusic.h"
#include "platform/qt/QtPlatform.h"

int RunDesktopShow(int argc, char** argv, const DesktopHooks& hooks) {
    // The show scales its layout to the display's resolution itself; Qt's
    // own scaling would scale it twice.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    QApplication qt(argc, argv);
    // Error boxes may be the only windows shown; dismissing one must not end
    // the program. Closing the main window does.
    QApplication::setQuitOnLastWindowClosed(false);

    FluidSynthMusic sequencer;
    MusicCommands music(sequencer);
    QtPlatform platform(music);
    // The tune's soundfont loads once the window is up, so that neither the
    // first frame nor the click waits for it.
    platform.OnFirstPaint([&sequencer, &hooks] {
        sequencer.Prepare();
        if (hooks.first_paint) hooks.first_paint();
    });
    return Project1(platform, hooks.trace).Run();
}
