// Names from the medium made safe as one component of an output path.
#pragma once
#include <string>

namespace qm {

// The record name (UTF-8) as a single path component, by the rule of SafePathComponent.
std::wstring ntfsOutputName(const std::string& utf8Name);

}  // namespace qm
