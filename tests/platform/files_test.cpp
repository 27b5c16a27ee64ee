#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm::platform {
namespace {

TEST(File, OpenModes) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"out.bin");
    File f;
    EXPECT_EQ(kErrorFileNotFound, f.open(path, OpenMode::ReadExisting));
    ASSERT_EQ(0, f.open(path, OpenMode::OpenAlways));
    ASSERT_EQ(0, writeFully(f, "hello", 5));
    f.close();
    // Open-always keeps what is there; create-always empties it.
    ASSERT_EQ(0, f.open(path, OpenMode::OpenAlways));
    uint64_t size = 0;
    EXPECT_EQ(0, f.size(size));
    EXPECT_EQ(5u, size);
    ASSERT_EQ(0, f.open(path, OpenMode::CreateAlways));
    EXPECT_EQ(0, f.size(size));
    EXPECT_EQ(0u, size);
}

TEST(File, SourcesAreOpenedReadOnly) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"src.img");
    test::writeWholeFile(path, {1, 2, 3, 4});
    File f;
    ASSERT_EQ(0, f.open(path, OpenMode::ReadExisting));
    uint32_t written = 0;
    EXPECT_NE(0, f.write("x", 1, written));
    EXPECT_EQ(0u, written);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), test::readWholeFile(path));
}

TEST(File, ReadAtEndAndClosedHandles) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"a.bin");
    test::writeWholeFile(path, {9, 8, 7});
    File f;
    ASSERT_EQ(0, f.open(path, OpenMode::ReadExisting));
    uint8_t buf[8];
    size_t got = 0;
    EXPECT_EQ(kErrorHandleEof, readFully(f, buf, sizeof buf, got));
    EXPECT_EQ(3u, got);
    uint32_t n = 1;
    EXPECT_EQ(0, f.read(buf, 8, n));
    EXPECT_EQ(0u, n);
    File moved = std::move(f);
    EXPECT_FALSE(f.isOpen());
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(kErrorInvalidHandle, f.seek(0));
}

TEST(Folders, CreateListMoveDelete) {
    test::TempDir dir;
    const std::wstring deep = joinPath(joinPath(dir.path(), L"a"), L"b");
    ASSERT_EQ(0, createFolderTree(deep));
    EXPECT_TRUE(isFolder(deep));
    EXPECT_EQ(0, createFolderTree(deep));  // existing is fine
    test::writeWholeFile(joinPath(deep, L"Zeta.txt"), {1});
    test::writeWholeFile(joinPath(deep, L"alpha.txt"), {2});
    test::writeWholeFile(joinPath(deep, L"\u6587.txt"), {3});
    std::vector<std::wstring> names;
    ASSERT_EQ(0, listFolder(deep, names));
    EXPECT_EQ((std::vector<std::wstring>{L"alpha.txt", L"Zeta.txt", L"\u6587.txt"}), names);

    EXPECT_EQ(kErrorAlreadyExists, moveFile(joinPath(deep, L"alpha.txt"), joinPath(deep, L"Zeta.txt"), false));
    EXPECT_EQ(0, moveFile(joinPath(deep, L"alpha.txt"), joinPath(deep, L"Zeta.txt"), true));
    EXPECT_EQ((std::vector<uint8_t>{2}), test::readWholeFile(joinPath(deep, L"Zeta.txt")));
    EXPECT_FALSE(pathExists(joinPath(deep, L"alpha.txt")));

    uint64_t ft = 0;
    EXPECT_EQ(0, lastWriteTime(joinPath(deep, L"Zeta.txt"), ft));
    EXPECT_GT(ft, 130000000000000000ULL);  // after 2012

    EXPECT_EQ(0, deleteTree(joinPath(dir.path(), L"a")));
    EXPECT_FALSE(pathExists(deep));
    EXPECT_EQ(0, deleteTree(joinPath(dir.path(), L"a")));  // already gone
}

TEST(Folders, PathHelpers) {
    EXPECT_EQ(std::wstring(L"a") + kPathSeparator + L"b", joinPath(L"a", L"b"));
    EXPECT_EQ(L"a/b", joinPath(L"a/", L"/b"));
    EXPECT_EQ(L"b", joinPath(L"", L"b"));
    EXPECT_EQ(L"c.txt", fileNameOf(L"x\\y/c.txt"));
    EXPECT_EQ(L"c.txt", fileNameOf(L"c.txt"));
}

TEST(Folders, AppDataOverride) {
    test::ScopedEnv env("QUILLMERE_APPDATA", L"/some/where");
    EXPECT_EQ(L"/some/where", appDataFolder());
}

TEST(Errors, MessagesForCommonNumbers) {
#ifdef _WIN32
    // The system's own text, whatever its wording; never the numeric fallback.
    EXPECT_EQ(std::wstring::npos, errorMessage(kErrorFileNotFound).find(L"Error 2"));
    EXPECT_EQ(errorMessage(kErrorFileNotFound).find_last_of(L"\r\n"), std::wstring::npos);
#else
    // The system's wording, as other programs here print it, not Windows'.
    EXPECT_EQ(L"No such file or directory", errorMessage(kErrorFileNotFound));
    EXPECT_EQ(L"Permission denied", errorMessage(kErrorAccessDenied));
#endif
    EXPECT_FALSE(errorMessage(kErrorReadFault).empty());
    EXPECT_FALSE(errorMessage(54321).empty());
}

}  // namespace
}  // namespace qm::platform

namespace qm::platform {
namespace {

TEST(Folders, DeleteTreeTakesEitherSeparator) {
    test::TempDir dir;
    std::wstring deep = dir.path() + L"/x/y";
    ASSERT_EQ(0, createFolderTree(deep));
    test::writeWholeFile(joinPath(deep, L"f.txt"), {1, 2});
    EXPECT_EQ(0, deleteTree(dir.path() + L"/x"));
    EXPECT_FALSE(pathExists(joinPath(dir.path(), L"x")));
}

}  // namespace
}  // namespace qm::platform
