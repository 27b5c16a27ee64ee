// The folder a fuzz target writes its image, logs and recovered files into: one per target and
// process below $TMPDIR (or /tmp), created on first use. Per-user state (previews, the scan
// history) is pointed there too, so fuzzing never touches the real one.
#pragma once
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "platform/folders.h"
#include "platform/text.h"

namespace qm::fuzz {

inline const std::wstring& WorkFolder(const char* target) {
    static const std::wstring folder = [target] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string path =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/qm-" + target + "-fuzz-" + std::to_string(getpid());
        setenv("QUILLMERE_APPDATA", path.c_str(), 1);
        qm::platform::createFolderTree(qm::platform::fromUtf8(path));
        return qm::platform::fromUtf8(path);
    }();
    return folder;
}

}  // namespace qm::fuzz
