#include "platform/qt/DesktopShow.h"

#include <QApplication>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/Project1.h"
#include "app/Unit1.h"
#include "platform/qt/Cp932Text.h"
#include "platform/qt/FluidSynthMusic.h"
#include "platform/qt/MusicCommands.h"
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
    Application application(platform);
    application.Runner().SetTrace(hooks.trace);
    platform.SetApplicationTitle(application.Title());
    // The tune's soundfont loads once the window is up, so that neither the
    // first frame nor the click waits for it.
    platform.OnFirstPaint([&sequencer, &hooks] {
        sequencer.Prepare();
        if (hooks.first_paint) hooks.first_paint();
    });

    // A timer refused while the form description is applied leaves the show
    // without its flicker; it is reported here and the program ends.
    std::optional<TForm1> form;
    try {
        form.emplace(platform, application.Runner());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Project1: %s\n", cp932::ToUtf8(error.what()).c_str());
        return 1;
    }
    platform.Attach(*form);
    form->RunOnCreate();
    platform.ShowMainWindow(*form);
    return QApplication::exec();
}
