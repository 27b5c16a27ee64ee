// Whether a file written by a recovery begins as its type begins: the same format detectors
// that judge a found file on the medium, run over the copy's first bytes.
#pragma once
#include <string>

namespace qm {

// False only when a detector knows the name's extension and rejects the file's first bytes;
// true for unknown extensions, names without one, empty files and files that cannot be read.
bool RecoveredContentMatchesType(const std::wstring& path, const std::wstring& name);

}  // namespace qm
