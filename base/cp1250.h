#pragma once
// Code page 1250 (single bytes) <-> Unicode.
//
// Files and the serial line carry single bytes; panels show Unicode. The five positions the code
// page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 control code points with the
// same numbers, so every byte 0..255 survives a round trip.
#include <string>
#include <string_view>

// Unicode code point of one byte.
char16_t Cp1250ToUnicode(unsigned char byte);
// Byte of a code point, or -1 when code page 1250 has none.
int UnicodeToCp1250(char32_t codePoint);

// Whole strings: bytes -> UTF-8, and UTF-8 -> bytes ('?' for characters without a byte).
std::string Cp1250ToUtf8(std::string_view bytes);
std::string Utf8ToCp1250(std::string_view utf8);
