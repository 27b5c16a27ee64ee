// Names from the medium made safe as one component of an output path.
#pragma once
#include <string>

namespace qm {

// The record name (UTF-8) as a single path component: separators, control characters and
// (on every platform, so outputs match) the characters Windows forbids become "_"; "." and
// ".." and an empty name get a leading "_", so nothing is written outside the destination.
std::wstring ntfsOutputName(const std::string& utf8Name);

}  // namespace qm
