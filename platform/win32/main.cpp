// The 32-bit Windows executable: the show on the Win32 API.
//  [X] Start-up: the application object and its title, the form and its
//      layout, FormCreate, the window shown as the process was started, the
//      message loop until the main window closes.
//  [X] A timer refused while the form is created: the error box, then the
//      process ends with exit code 1, as there is no form to show.

#include <exception>
#include <optional>

#include "app/Project1.h"
#include "app/Unit1.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
    try {
        Win32Platform platform(instance);
        Application application(platform);
        platform.SetApplicationTitle(application.Title());
        std::optional<TForm1> form;
        try {
            form.emplace(platform, application.Runner());
        } catch (const std::exception& error) {
            application.Runner().ShowError(error.what());
            return 1;
        }
        platform.Attach(*form);
        GdiFlush();
        form->RunOnCreate();
        platform.Show(show_command);
        return platform.RunMessageLoop();
    } catch (...) {  // The window system refused the windows: nothing can be shown.
        return 1;
    }
}
