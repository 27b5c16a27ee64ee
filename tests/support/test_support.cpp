#include "tests/support/test_support.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qm::test {

std::wstring hostPath(const std::string& posixPath) {
#ifdef _WIN32
    if (!posixPath.empty() && posixPath[0] == '/') {
        std::wstring out = L"Z:" + platform::fromUtf8(posixPath);
        for (auto& c : out)
            if (c == L'/') c = L'\\';
        return out;
    }
#endif
    return platform::fromUtf8(posixPath);
}

std::wstring fixturePath(const std::string& name) {
    const char* over = std::getenv("QM_FIXTURE_DIR");
    const std::string dir = over && *over ? over : QM_FIXTURE_DIR;
    return hostPath(dir + "/" + name);
}

std::wstring sharedDataPath(const std::string& relative) {
    const std::wstring path = hostPath(std::string(QM_SHARED_DATA_DIR) + "/" + relative);
    return platform::pathExists(path) ? path : std::wstring();
}

std::vector<uint8_t> readWholeFile(const std::wstring& path) {
    platform::File f;
    std::vector<uint8_t> bytes;
    if (f.open(path, platform::OpenMode::ReadExisting) != 0) {
        ADD_FAILURE() << "cannot open " << platform::toUtf8(path);
        return bytes;
    }
    uint64_t size = 0;
    f.size(size);
    bytes.resize(static_cast<size_t>(size));
    size_t got = 0;
    EXPECT_EQ(0, platform::readFully(f, bytes.data(), bytes.size(), got));
    bytes.resize(got);
    return bytes;
}

void writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    platform::File f;
    ASSERT_EQ(0, f.open(path, platform::OpenMode::CreateAlways)) << platform::toUtf8(path);
    ASSERT_EQ(0, platform::writeFully(f, bytes.data(), bytes.size()));
}

TempDir::TempDir() {
    static std::atomic<unsigned> serial{0};
    const auto base = std::filesystem::temp_directory_path();
    // Test programs run side by side (and two checkouts may test at once): the clock and a
    // per-process serial alone can meet, a random part keeps the folders apart.
    static const unsigned processPart = std::random_device{}();
    const std::string leaf = "qmtest-" + std::to_string(platform::fileTimeNow()) + "-" + std::to_string(processPart) +
                             "-" + std::to_string(serial++);
#ifdef _WIN32
    path_ = (base / leaf).wstring();
#else
    path_ = platform::fromUtf8((base / leaf).string());
#endif
    EXPECT_EQ(0, platform::createFolderTree(path_));
}

TempDir::~TempDir() { platform::deleteTree(path_); }

std::wstring TempDir::file(const std::wstring& name) const { return platform::joinPath(path_, name); }

ScopedEnv::ScopedEnv(const char* name, const std::wstring& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        hadOld_ = true;
        old_ = old;
    }
#ifdef _WIN32
    _wputenv_s(platform::fromUtf8(name_).c_str(), value.c_str());
#else
    setenv(name, platform::toUtf8(value).c_str(), 1);
#endif
}

ScopedEnv::~ScopedEnv() {
#ifdef _WIN32
    _wputenv_s(platform::fromUtf8(name_).c_str(), hadOld_ ? platform::fromUtf8(old_).c_str() : L"");
#else
    if (hadOld_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
#endif
}

}  // namespace qm::test
