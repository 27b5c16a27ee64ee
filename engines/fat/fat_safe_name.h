// A found name as one component of a destination path. Names come from the medium, so
// separators, reserved characters and "."/".." must not reach the file system as they are.
#pragma once
#include <string>

namespace qm {

std::wstring SafeFileName(const std::string& utf8Name);

}  // namespace qm
