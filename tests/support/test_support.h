// Shared helpers for the test programs: fixture paths, temporary folders, whole-file I/O.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// A fixture image built by tests/fixtures/build_images.sh, as a path this platform opens.
std::wstring fixturePath(const std::string& name);
// A file under ../shared/data, or empty when that folder is not beside the clone.
std::wstring sharedDataPath(const std::string& relative);
// Converts a POSIX path to one the current platform opens (Wine maps / to Z:).
std::wstring hostPath(const std::string& posixPath);

std::vector<uint8_t> readWholeFile(const std::wstring& path);
void writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes);

// A fresh empty folder, deleted with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const;

private:
    std::wstring path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::wstring& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::string old_;
    bool hadOld_ = false;
};

}  // namespace qm::test
