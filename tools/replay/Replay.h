#pragma once

#include <cstdio>

#include "tools/replay/ReplayOptions.h"

// Runs the show's real start-up and handlers on the virtual clock and prints
// what happens to `out`, a line an item; problems with the run itself (a
// frame that cannot be written, a file change that fails) go to `err`.
// Returns the exit status.
int RunReplay(const ReplayOptions& options, std::FILE* out, std::FILE* err);
