#include "core/Cp932.h"

namespace cp932 {

void LowerLatinLetters(std::string& text, bool (*is_lead_byte)(char)) {
    for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i, is_lead_byte)) {
        if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
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
