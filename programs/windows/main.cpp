// The 32-bit Windows executable: the show on the Win32 API.
#include "app/Project1.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
    try {
        Win32Platform platform(instance, show_command);
        return Project1(platform).Run();
    } catch (...) {  // The window system refused the windows: nothing can be shown.
        return 1;
    }
}
