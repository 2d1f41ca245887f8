#include "core/Cp932.h"

namespace cp932 {

void LowerLatinLetters(std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(text[i])) {
            ++i;
        } else if (text[i] >= 'A' && text[i] <= 'Z') {
            text[i] = static_cast<char>(text[i] - 'A' + 'a');
        }
    }
}

std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<std::uint8_t>(c);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

}  // namespace cp932
