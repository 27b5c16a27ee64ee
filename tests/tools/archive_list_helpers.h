// Shared by the archive lister tests: archives made by Debian's tools in a temporary folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/test_support.h"
#include "tools/extract/archive_lister.h"

namespace qm::test {

// The tools run natively only: the Windows test program runs under Wine without them.
inline bool HaveTool(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return false;
#else
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

// Runs `command` with the shell in `dir`; true when it exits with 0.
inline bool Shell(const TempDir& dir, const std::string& command) {
    const std::string line = "cd '" + platform::toUtf8(dir.path()) + "' && ( " + command + " ) >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

struct Listed {
    extract::ListStatus status = extract::ListStatus::NotAnArchive;
    extract::ArchiveListing listing;
    std::string error;
    const extract::ArchiveEntry* find(const std::string& name) const {
        for (const auto& e : listing.entries)
            if (e.name == name) return &e;
        return nullptr;
    }
};

inline Listed ListBytes(const std::vector<uint8_t>& bytes, const std::string& name = "archive") {
    Listed out;
    extract::MemorySource source(bytes.data(), bytes.size());
    out.status = extract::ListArchive(source, name, out.listing, out.error);
    return out;
}

inline Listed ListFile(const std::wstring& path) {
    const std::string utf8 = platform::toUtf8(path);
    return ListBytes(readWholeFile(path), utf8.substr(utf8.find_last_of("/\\") + 1));
}

inline std::wstring SamplePath(const std::string& relative) {
    return hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/samples/" + relative);
}

}  // namespace qm::test
