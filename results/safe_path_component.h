// A name from the medium as one component of a path we write to. Names come from damaged or
// hostile media, so separators, reserved characters, "."/".." and device names must not reach
// the file system as they are.
#pragma once
#include <string>

namespace qm {

// The UTF-8 name as a single path component: separators, control characters (NUL included) and
// the characters Windows forbids become "_" on every platform, so outputs match; a trailing dot
// or blank (which Windows would drop) becomes "_"; ".", ".." and an empty name, and device names
// ("con", "nul.doc", "com1.txt", ...), get a leading "_".
std::wstring SafePathComponent(const std::string& utf8Name);

}  // namespace qm
