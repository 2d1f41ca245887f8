#pragma once

// The part of the C library's iconv that the core's tests use, for the
// Windows build, whose C library has none: UTF-8 to code page 932 only, done
// by the system's own conversion tables.

#include <cstddef>

using iconv_t = void*;

iconv_t iconv_open(const char* to_code, const char* from_code);
std::size_t iconv(iconv_t cd, char** in, std::size_t* in_left, char** out, std::size_t* out_left);
int iconv_close(iconv_t cd);
