// Entry names from every format's encoding to UTF-8, and names made safe to print.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::extract {

void AppendUtf8(std::string& out, uint32_t codePoint);
bool IsValidUtf8(std::string_view text);
std::string Utf8FromCp437(std::string_view bytes);
// Names of formats that record no code page: kept when they are UTF-8, else read as code page 437.
std::string Utf8OrCp437(std::string_view bytes);
// UTF-16 code units (little- or big-endian bytes) up to `units` or the first NUL.
std::string Utf8FromUtf16(const uint8_t* data, size_t units, bool bigEndian);
// Control characters and broken UTF-8 become "?", so a name cannot steer the terminal.
std::string PrintableName(std::string_view utf8);
// Bytes up to the first NUL (or all of them).
std::string_view UntilNul(const uint8_t* data, size_t length);

}  // namespace qm::extract
