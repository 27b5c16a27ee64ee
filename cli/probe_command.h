#pragma once
#include <string>

namespace qm::cli {
// "quillmere probe IMAGE": prints the file system kind, image size and sector size.
int RunProbe(const std::string& image);
}
