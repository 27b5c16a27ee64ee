// Copying found files and folders back out of the fixture volumes.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/folders.h"
#include "results/preview_target.h"
#include "tests/engines/fat_test_support.h"

namespace qm {
namespace {

using fattest::ExpectedFile;

struct ItemLog {
    std::vector<std::pair<int, int>> finished;  // (error, percent) of calls with percent 100
    int calls = 0;
    int stopAt = 0;  // the call that returns CancelCode (0: never)
};

int QM_STDCALL LogItem(void* user, int percent, int, int error, const wchar_t*) {
    auto* log = static_cast<ItemLog*>(user);
    ++log->calls;
    if (percent == 100) log->finished.push_back({error, percent});
    return log->stopAt != 0 && log->calls >= log->stopAt ? CancelCode : 0;
}

std::vector<uint8_t> Source(const ExpectedFile& e) { return test::readWholeFile(test::fixturePath("fat/src/" + e.source)); }

bool IsProperPrefix(const std::vector<uint8_t>& part, const std::vector<uint8_t>& whole) {
    return part.size() < whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

class FatRecovery : public ::testing::TestWithParam<std::string> {};

TEST_P(FatRecovery, EveryDeletedFileComesBackAsExpected) {
    test::TempDir logs, out;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    ItemLog log;
    engine->SetCallbacks(nullptr, LogItem, &log, 100);
    const auto tree = fattest::ListTree(*engine);
    int n = 0;
    for (const ExpectedFile& e : fattest::LoadExpected()) {
        auto it = tree.find(e.path);
        if (it == tree.end()) {
            EXPECT_EQ("damaged", e.expect) << e.path << " not listed";
            continue;
        }
        const std::wstring target = out.file(L"f" + std::to_wstring(n++) + L".bin");
        log.finished.clear();
        const int rc = engine->RecoverItem(&it->second.record, target, 0);
        ASSERT_EQ(1u, log.finished.size()) << e.path << ": one final report per file";
        EXPECT_EQ(rc, log.finished[0].first);
        const std::vector<uint8_t> got = test::readWholeFile(target);
        if (e.expect == "intact") {
            EXPECT_EQ(0, rc) << e.path;
            EXPECT_EQ(e.sha256, fattest::Sha256Hex(got)) << e.path;
        } else if (e.expect == "prefix") {
            // The erased chain runs into a cluster in use: the copy ends there, reported, partial.
            EXPECT_EQ(kErrorReadFault, rc) << e.path;
            EXPECT_TRUE(IsProperPrefix(got, Source(e))) << e.path << " " << got.size();
            EXPECT_FALSE(got.empty());
        } else {
            EXPECT_EQ(kErrorReadFault, rc) << e.path;
            EXPECT_NE(e.sha256, fattest::Sha256Hex(got)) << e.path;
            EXPECT_LT(got.size(), e.size);
        }
    }
}

TEST_P(FatRecovery, AWholeDeletedFolderIsRebuilt) {
    test::TempDir logs, out;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    ItemLog log;
    engine->SetCallbacks(nullptr, LogItem, &log, 100);
    const auto tree = fattest::ListTree(*engine);
    const ScanRecord& gone = tree.at("Gone").record;
    const std::wstring dest = out.file(L"Gone");
    // The destination's own depth minus the folder's level gives the base depth.
    int separators = 0;
    for (size_t i = 0; i + 1 < dest.size(); ++i) separators += dest[i] == L'/' || dest[i] == L'\\';
    ASSERT_EQ(0, engine->RecoverItem(&gone, dest, separators - tree.at("Gone").level));

    size_t files = 0;
    for (const ExpectedFile& e : fattest::LoadExpected()) {
        if (e.path.rfind("Gone/", 0) != 0) continue;
        ++files;
        const std::vector<uint8_t> got = test::readWholeFile(platform::joinPath(out.path(), fattest::NativePath(e.path)));
        EXPECT_EQ(e.sha256, fattest::Sha256Hex(got)) << e.path;
    }
    EXPECT_EQ(files, log.finished.size());
    for (const auto& [error, percent] : log.finished) EXPECT_EQ(0, error);
}

TEST(FatRecoveryControl, NeverOverwritesTheDestinationOrTheSource) {
    test::TempDir logs, out;
    // A private copy of the image, so a write to it could be seen.
    const std::wstring image = out.file(L"source.img");
    const std::vector<uint8_t> original = test::readWholeFile(test::fixturePath("fat/fat16-2k.img"));
    test::writeWholeFile(image, original);
    auto engine = fattest::ScanImage(image, logs.path());
    ItemLog log;
    engine->SetCallbacks(nullptr, LogItem, &log, 100);
    const ScanRecord file = fattest::ListTree(*engine).at("Docs/!hort.txt").record;

    const std::wstring existing = out.file(L"existing.txt");
    test::writeWholeFile(existing, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(kErrorFileExists, engine->RecoverItem(&file, existing, 0));
    EXPECT_EQ((std::vector<uint8_t>{'k', 'e', 'e', 'p'}), test::readWholeFile(existing));
    EXPECT_EQ(kErrorFileExists, engine->RecoverItem(&file, image, 0));
    EXPECT_EQ(original, test::readWholeFile(image));
    ASSERT_EQ(2u, log.finished.size());
    EXPECT_EQ(kErrorFileExists, log.finished[1].first);
}

INSTANTIATE_TEST_SUITE_P(Images, FatRecovery, ::testing::ValuesIn(fattest::FixtureImages()), [](const auto& info) {
    std::string name = info.param.substr(0, info.param.find('.'));
    for (auto& c : name)
        if (c == '-') c = '_';
    return name;
});

TEST(FatRecoveryControl, CancelStopsAFolderRecoveryAndMissingFoldersAreCreated) {
    test::TempDir logs, out;
    auto engine = fattest::ScanImage(test::fixturePath("fat/fat16-2k.img"), logs.path());
    ItemLog log;
    log.stopAt = 1;
    engine->SetCallbacks(nullptr, LogItem, &log, 100);
    const auto tree = fattest::ListTree(*engine);
    const std::wstring dest = out.file(L"Gone");
    int separators = 0;
    for (size_t i = 0; i + 1 < dest.size(); ++i) separators += dest[i] == L'/' || dest[i] == L'\\';
    EXPECT_EQ(CancelCode, engine->RecoverItem(&tree.at("Gone").record, dest, separators - 1));
    EXPECT_EQ(1, log.calls);

    log = ItemLog{};
    const std::wstring nested = platform::joinPath(out.file(L"a"), L"b");
    EXPECT_EQ(0, engine->RecoverItem(&tree.at("Docs/!hort.txt").record, platform::joinPath(nested, L"x.txt"), 0));
    EXPECT_TRUE(platform::pathExists(platform::joinPath(nested, L"x.txt")));
    EXPECT_EQ(kErrorInvalidParameter, engine->RecoverItem(nullptr, dest, 0));
}

TEST(FatExtract, PreviewGoesToMemoryOrToATemporaryFile) {
    test::TempDir logs, appData;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    auto engine = fattest::ScanImage(test::fixturePath("fat/fat32-512.img"), logs.path());
    const auto tree = fattest::ListTree(*engine);
    std::map<std::string, ExpectedFile> expected;
    for (const ExpectedFile& e : fattest::LoadExpected()) expected[e.path] = e;

    // A .bin file is previewed in memory, cut to the buffer.
    std::vector<uint8_t> memory(100000);
    uint64_t count = memory.size();
    std::wstring path;
    EXPECT_EQ(0, engine->ExtractItem(&tree.at("Gone/Inner/!.bin").record, path, memory.data(), count, nullptr, nullptr));
    EXPECT_TRUE(path.empty());
    ASSERT_EQ(100000u, count);
    const std::vector<uint8_t> whole = Source(expected.at("Gone/Inner/!.bin"));
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), whole.begin()));

    // A document the preview converts goes to a temporary file named after itself.
    ScanRecord doc = tree.at("Gone/wasdeleted.txt").record;
    setRecordName(doc, "wasdeleted.doc");
    count = 0;
    EXPECT_EQ(0, engine->ExtractItem(&doc, path, nullptr, count, nullptr, nullptr));
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(L"wasdeleted.doc", platform::fileNameOf(path));
    EXPECT_EQ(expected.at("Gone/wasdeleted.txt").sha256, fattest::Sha256Hex(test::readWholeFile(path)));

    // A chain that ends early fails the preview.
    count = memory.size();
    EXPECT_EQ(kErrorReadFault,
              engine->ExtractItem(&tree.at("Frag/!rag.bin").record, path, memory.data(), count, nullptr, nullptr));
    EXPECT_EQ(kErrorInvalidParameter, engine->ExtractItem(nullptr, path, nullptr, count, nullptr, nullptr));
}

// Names from the medium never lead the preview's copy out of the scan-log folder.
TEST(FatExtract, HostileNamesStayInsideThePreviewFolder) {
    test::TempDir logs, appData;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    auto engine = fattest::ScanImage(test::fixturePath("fat/fat32-512.img"), logs.path());
    const auto tree = fattest::ListTree(*engine);
    const std::wstring folder = PreviewTargetFolder();
    for (const char* name : {"..\\..\\x.doc", "../../x.doc", "a/b:c.doc", "\x01\x1b[2Jz.doc", "con.doc"}) {
        ScanRecord r = tree.at("Gone/wasdeleted.txt").record;
        setRecordName(r, name);
        std::wstring path;
        uint64_t count = 0;
        ASSERT_EQ(0, engine->ExtractItem(&r, path, nullptr, count, nullptr, nullptr)) << name;
        EXPECT_EQ(platform::joinPath(folder, platform::fileNameOf(path)), path) << name;
        EXPECT_EQ(800u, test::readWholeFile(path).size()) << name;
    }
    std::vector<std::wstring> names;
    ASSERT_EQ(0, platform::listFolder(appData.path(), names));
    EXPECT_EQ(std::vector<std::wstring>{L"OrlynDataRecovery"}, names);  // nothing beside the folder
}

}  // namespace
}  // namespace qm
