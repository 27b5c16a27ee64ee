// The preview of last resort: bytes shown one character each, in lines of 1024.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace qm::preview {

inline constexpr size_t kTextDumpLine = 1024;
// What a failed conversion shows of the extracted file.
inline constexpr size_t kFallbackDumpBytes = 8192;

// Each byte one character (Latin-1; a zero byte as "."), "\r\n" after every 1024 bytes and one
// more at the end unless the count is a multiple of 1024.
std::wstring TextDump(std::span<const std::uint8_t> bytes);

// The dump of a file's first `limit` bytes; empty when it cannot be read.
std::wstring TextDumpOfFile(const std::wstring& path, size_t limit = kFallbackDumpBytes);

}  // namespace qm::preview
