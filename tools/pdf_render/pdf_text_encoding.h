// Single-byte text encodings of simple fonts and the Unicode value of common glyph names.
#pragma once
#include <array>
#include <string>

namespace qm::pdf {

using CodeTable = std::array<char16_t, 256>;  // 0: no character

// "WinAnsiEncoding", "MacRomanEncoding"; anything else gives the standard Latin encoding.
const CodeTable& BaseEncoding(const std::string& name);
// The character a glyph name stands for: the usual Latin names, "uniXXXX", "uXXXX"; 0 if unknown.
char16_t GlyphNameToUnicode(const std::string& name);

}  // namespace qm::pdf
