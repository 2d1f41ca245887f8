#pragma once

#include <cstddef>
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

// Where the character after the one at `at` starts: a lead byte takes the
// byte after it along, when there is one. `is_lead_byte` tells the lead bytes
// of the text's code page (by default this one's). Stepping from 0, a text is
// walked one character at a time, and no character's second byte is ever
// taken for a character of its own:
//   for (i = 0; i < text.size(); i = cp932::NextCharacter(text, i)) ...
constexpr std::size_t NextCharacter(std::string_view text, std::size_t at,
                                    bool (*is_lead_byte)(char) = IsLeadByte) {
    return at + (is_lead_byte(text[at]) && at + 1 < text.size() ? std::size_t{2} : std::size_t{1});
}

// Lowers A-Z, leaving double-byte characters whole; `is_lead_byte` as for
// NextCharacter.
void LowerLatinLetters(std::string& text, bool (*is_lead_byte)(char) = IsLeadByte);

// Lowercase hex, two digits a byte.
std::string ToHex(std::string_view bytes);

}  // namespace cp932
