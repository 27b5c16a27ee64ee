// Conversions between the program's wide strings, UTF-8 and UTF-16LE.
// Invalid input is never fatal: bad sequences become U+FFFD.
#pragma once
#include <string>

namespace qm::platform {

std::string toUtf8(const std::wstring& text);
// One code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t c);
std::wstring fromUtf8(const std::string& text);
std::u16string toUtf16(const std::wstring& text);
std::wstring fromUtf16(const std::u16string& text);

// The program's "ANSI" code page is UTF-8 everywhere: record names in any script survive.
inline std::string toAnsi(const std::wstring& text) { return toUtf8(text); }
inline std::wstring fromAnsi(const std::string& text) { return fromUtf8(text); }

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string truncateUtf8(const std::string& text, size_t maxBytes);

// C0 and C1 control characters and DEL: a terminal obeys them, so names from a medium never
// carry them into file names or output unescaped.
inline bool isControlCharacter(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace qm::platform
