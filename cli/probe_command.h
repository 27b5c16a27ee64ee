#pragma once
#include <string>
#include <vector>

namespace qm::cli {
// "quillmere probe IMAGE": prints the file system kind, image size and sector size.
int RunProbe(const std::vector<std::string>& args);
}
