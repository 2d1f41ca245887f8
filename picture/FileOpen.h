#pragma once

#include <cstdio>
#include <string>

// Opens a file to read it in binary so that, while it is open, others may
// read it but not write it, as far as the system can promise: on Windows by
// the share mode (no writer can open it); elsewhere the file is opened read
// only, not inherited by child processes, with a shared advisory lock
// (flock), which keeps out only writers that ask for an exclusive lock
// themselves: POSIX systems have no share modes that keep every writer
// out. Null when the file cannot be opened.
std::FILE* OpenForSharedReading(const std::string& native_path);
