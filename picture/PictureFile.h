#pragma once

#include <string>
#include <string_view>

#include "core/DataFiles.h"

class WorkPicture;

// A stored path with "\" as its separator, as this system's file functions
// take it.
std::string NativePath(std::string_view stored_path);

// Reads the picture file into `picture`, replacing its size and every pixel,
// and marks it changed. A 0-byte file empties it without marking. On any error
// the picture keeps its content and ShowError is raised.
void ReloadPicture(WorkPicture& picture, std::string_view stored_path = kPicturePath);
