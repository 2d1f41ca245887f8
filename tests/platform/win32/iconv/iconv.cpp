#include "iconv.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include "platform/win32/WindowsApi.h"

namespace {
char g_utf8_to_cp932;  // The one conversion there is; its address is the handle.
constexpr UINT kShiftJis = 932;
}  // namespace

iconv_t iconv_open(const char* to_code, const char* from_code) {
    if (std::strcmp(to_code, "CP932") != 0 || std::strcmp(from_code, "UTF-8") != 0) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return &g_utf8_to_cp932;
}

// Converts the whole input at once; a character the code page lacks, or an
// output buffer too small, fails and moves nothing.
std::size_t iconv(iconv_t cd, char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
    if (cd != &g_utf8_to_cp932 || in == nullptr || *in == nullptr) return 0;
    // The conversion functions take an int length.
    if (*in_left > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        errno = E2BIG;
        return static_cast<std::size_t>(-1);
    }
    const int in_size = static_cast<int>(*in_left);
    const int wide_size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, *in, in_size, nullptr, 0);
    if (in_size != 0 && wide_size <= 0) {
        errno = EILSEQ;
        return static_cast<std::size_t>(-1);
    }
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, *in, in_size, wide.data(), wide_size);
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wide_size,
                                         nullptr, 0, nullptr, &lossy);
    if (lossy) {
        errno = EILSEQ;
        return static_cast<std::size_t>(-1);
    }
    if (static_cast<std::size_t>(size) > *out_left) {
        errno = E2BIG;
        return static_cast<std::size_t>(-1);
    }
    WideCharToMultiByte(kShiftJis, 0, wide.data(), wide_size, *out, size, nullptr, nullptr);
    *in += *in_left;
    *in_left = 0;
    *out += size;
    *out_left -= static_cast<std::size_t>(size);
    return 0;
}

int iconv_close(iconv_t /*cd*/) { return 0; }
