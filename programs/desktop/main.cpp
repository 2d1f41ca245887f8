// The show as a Linux desktop program: Qt 6 Widgets, the tune through
// FluidSynth.
#include "programs/desktop/DesktopShow.h"

int main(int argc, char** argv) { return RunDesktopShow(argc, argv); }
