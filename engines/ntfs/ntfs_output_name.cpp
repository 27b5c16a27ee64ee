#include "engines/ntfs/ntfs_output_name.h"

#include "results/safe_path_component.h"

namespace qm {

std::wstring ntfsOutputName(const std::string& utf8Name) { return SafePathComponent(utf8Name); }

}  // namespace qm
