#pragma once

// windows.h (and mmsystem.h) for the backend's files.
// HACK: windows.h declares a MulDiv of its own, which would clash with the
// layout's constexpr MulDiv (app/Layout.h); the backend never calls the
// Windows one, so its declaration is renamed away.
#define MulDiv Win32MulDiv
#include <windows.h>
#undef MulDiv

#include <mmsystem.h>
