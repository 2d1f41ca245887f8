#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Code page 932 (Shift-JIS) helpers. Every text the show displays is held in
// this code page as plain bytes.
namespace cp932 {

// A byte that starts a double-byte character; the byte after it is its second
// byte, which may look like "\", "." or a letter and must not be taken for one.
constexpr bool IsLeadByte(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsLeadByte(char c) { return IsLeadByte(static_cast<std::uint8_t>(c)); }

// Lowers A-Z, leaving double-byte characters whole.
void LowerLatinLetters(std::string& text);

// Lowercase hex, two digits a byte.
std::string ToHex(std::string_view bytes);

}  // namespace cp932
