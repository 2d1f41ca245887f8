#pragma once

// Resource identifiers, shared by Project1.rc and the code.

// The wholly transparent 16 x 16 two-colour icon: the executable's main icon
// and the windows' icon.
#define SHOW_TRANSPARENT_ICON 1

// The application manifest; the system looks for it under this number.
#define SHOW_APPLICATION_MANIFEST 1
