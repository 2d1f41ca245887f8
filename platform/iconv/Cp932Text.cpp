#include "platform/Cp932Text.h"

#include <iconv.h>

#include <cerrno>

namespace cp932 {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// NOTE: glibc's "CP932" maps 5C to "\" and 81 46 / 81 47 to U+FF1A / U+FF1B;
// its "SHIFT_JIS" would turn the path's "\" into a yen sign.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (Valid()) iconv_close(m_cd);
    }
    [[nodiscard]] bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole of `in`; at a byte that does not convert, `on_bad`
    // decides: true skips one byte and goes on, false stops with a failure.
    template <typename OnBad>
    bool Run(std::string_view in, std::string& out, OnBad on_bad) {
        char buffer[256];
        auto* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        while (src_left > 0) {
            char* dst = buffer;
            std::size_t dst_left = sizeof buffer;
            const std::size_t r = iconv(m_cd, &src, &src_left, &dst, &dst_left);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a cut-off sequence at the end)
            if (!on_bad(out)) return false;
            ++src;
            --src_left;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t m_cd;
};

}  // namespace

std::string ToUtf8(std::string_view text) {
    std::string out;
    Converter converter("UTF-8", "CP932");
    // Without the converter (a C library lacking the code page) only the
    // single-byte Latin part is shown as it is.
    if (!converter.Valid()) {
        for (char c : text) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacement;
            }
        }
        return out;
    }
    converter.Run(text, out, [](std::string& o) {
        o += kReplacement;
        return true;
    });
    return out;
}

std::string FromUtf8(std::string_view utf8, bool& ok) {
    std::string out;
    Converter converter("CP932", "UTF-8");
    ok = converter.Valid() && converter.Run(utf8, out, [](std::string&) { return false; });
    if (!ok) out.clear();
    return out;
}

}  // namespace cp932
