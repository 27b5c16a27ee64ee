#include "engines/item_runs.h"

namespace qm {

void AppendSourceRun(std::vector<SourceRun>& runs, uint64_t offset, uint64_t length, uint64_t fileOffset) {
    if (length == 0) return;
    if (!runs.empty()) {
        SourceRun& last = runs.back();
        if (last.offset + last.length == offset && last.fileOffset + last.length == fileOffset) {
            last.length += length;
            return;
        }
    }
    runs.push_back({offset, length, fileOffset});
}

}  // namespace qm
