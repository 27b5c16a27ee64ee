#include <gtest/gtest.h>

#include <thread>

#include "engines/null_engine.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "session/recovery_job.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

ScanRecord named(const char* name, bool folder = false) {
    ScanRecord r{};
    r.isFolder = folder ? 1 : 0;
    setRecordName(r, name);
    return r;
}

// Writes "ok" for records whose name does not start with "bad", fails those with a read error;
// "boom" throws; "quiet" fails without a final report. Reports go through the item callback
// like a real engine's.
class CopyingEngine : public CNullEngine {
public:
    int SetCallbacks(ScanProgressFn, ItemProgressFn item, void* user, int scale) override {
        item_ = item;
        user_ = user;
        scale_ = scale;
        return refuseCallbacks ? kErrorInvalidParameter : 0;
    }
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override {
        lastBaseDepth = baseDepth;
        const std::string name = recordName(*record);
        if (name == "boom") throw std::runtime_error("engine fault");
        if (int rc = item_(user_, 50, scale_, 0, destination.c_str()); rc != 0) return rc;
        if (name.rfind("quiet", 0) == 0) return kErrorAccessDenied;
        int error = 0;
        if (name.rfind("bad", 0) == 0) {
            error = kErrorReadFault;
        } else {
            platform::createFolderTree(destination.substr(0, destination.find_last_of(L"/\\")));
            test::writeWholeFile(destination, {'o', 'k'});
        }
        if (int rc = item_(user_, 100, scale_, error, destination.c_str()); rc != 0) return rc;
        return error;
    }
    bool refuseCallbacks = false;
    int lastBaseDepth = -1;

private:
    ItemProgressFn item_ = nullptr;
    void* user_ = nullptr;
    int scale_ = 0;
};

TEST(MakeUniquePath, GroupFoldersAndCounters) {
    test::TempDir dir;
    const std::wstring out = dir.path();
    const auto photo = platform::joinPath(platform::joinPath(out, L"photo"), L"IMG_0001.JPG");
    EXPECT_EQ(photo, MakeUniquePath(out, named("IMG_0001.JPG")));
    ASSERT_EQ(0, platform::createFolderTree(platform::joinPath(out, L"photo")));
    test::writeWholeFile(photo, {1});
    EXPECT_EQ(platform::joinPath(platform::joinPath(out, L"photo"), L"IMG_0001(1).JPG"),
              MakeUniquePath(out, named("IMG_0001.JPG")));
    test::writeWholeFile(platform::joinPath(platform::joinPath(out, L"photo"), L"IMG_0001(1).JPG"), {1});
    EXPECT_EQ(platform::joinPath(platform::joinPath(out, L"photo"), L"IMG_0001(2).JPG"),
              MakeUniquePath(out, named("IMG_0001.JPG")));

    EXPECT_EQ(platform::joinPath(platform::joinPath(out, L"document"), L"2048.pdf"), MakeUniquePath(out, named("2048.pdf")));
    EXPECT_EQ(platform::joinPath(platform::joinPath(out, L"others"), L"Holiday.jpg"),
              MakeUniquePath(out, named("Holiday.jpg", true)));
    EXPECT_EQ(platform::joinPath(platform::joinPath(out, L"others"), L"README"), MakeUniquePath(out, named("README")));
}

TEST(MakeUniquePath, NamesFromTheMediumStayInsideTheDestination) {
    test::TempDir dir;
    const std::wstring group = platform::joinPath(dir.path(), L"others");
    EXPECT_EQ(platform::joinPath(group, L".._.._etc_passwd"), MakeUniquePath(dir.path(), named("../../etc/passwd")));
    EXPECT_EQ(platform::joinPath(group, L"_.."), MakeUniquePath(dir.path(), named("..")));
    EXPECT_EQ(platform::joinPath(group, L"_"), MakeUniquePath(dir.path(), named("")));
}

TEST(MakeUniquePath, LongNamesKeepCounterAndExtension) {
    test::TempDir dir;
    const std::string longStem(300, 'n');
    const ScanRecord record = named((longStem + ".pdf").c_str());
    const std::wstring first = MakeUniquePath(dir.path(), record);
    ASSERT_EQ(0, platform::createFolderTree(platform::joinPath(dir.path(), L"document")));
    test::writeWholeFile(first, {1});
    const std::wstring second = MakeUniquePath(dir.path(), record);
    EXPECT_LE(second.size(), 520u);
    EXPECT_LE(platform::fileNameOf(first).size(), 255u);
    EXPECT_LE(platform::fileNameOf(second).size(), 255u);
    EXPECT_EQ(L".pdf", first.substr(first.size() - 4));
    EXPECT_EQ(L"(1).pdf", second.substr(second.size() - 7));
}

TEST(BaseDepth, CountsSeparatorsButTheLast) {
    EXPECT_EQ(0, BaseDepth(L"C:\\"));
    EXPECT_EQ(2, BaseDepth(L"C:\\a\\b"));
    EXPECT_EQ(2, BaseDepth(L"C:\\a\\b\\"));
    EXPECT_EQ(2, BaseDepth(L"/home/out"));
    EXPECT_EQ(0, BaseDepth(L""));
}

TEST(RecoveryJob, FailuresFirstSuccessesAfterAndCounts) {
    test::TempDir dir;
    CDefaultTexts texts;
    CopyingEngine engine;
    CRecoveryJob job(texts, dir.path());
    std::vector<std::wstring> shownCounts;
    job.SetDisplay([&](const RecoveryView& v) { shownCounts.push_back(v.countsText); });
    std::vector<RecoveryItem> items = {{&engine, named("a.txt")}, {&engine, named("bad1.jpg")},
                                       {&engine, named("boom")}, {&engine, named("b.txt")},
                                       {nullptr, named("c.txt")}};
    EXPECT_EQ(0, job.RunMany(items));
    EXPECT_TRUE(job.finished());
    EXPECT_TRUE(job.completed());
    EXPECT_EQ(5, job.total());
    EXPECT_EQ(5, job.processed());
    EXPECT_EQ(3, job.failed());
    ASSERT_EQ(5u, job.details().size());
    // Failures at the head, newest first; successes in order below them.
    EXPECT_EQ(kErrorInvalidParameter, job.details()[0].error);
    EXPECT_EQ(kErrorInvalidFunction, job.details()[1].error);
    EXPECT_EQ(kErrorReadFault, job.details()[2].error);
    EXPECT_EQ(platform::errorMessage(kErrorReadFault), job.details()[2].status);
    EXPECT_EQ(L"Success", job.details()[3].status);
    EXPECT_NE(std::wstring::npos, job.details()[3].path.find(L"a.txt"));
    EXPECT_NE(std::wstring::npos, job.details()[4].path.find(L"b.txt"));
    EXPECT_EQ(L"Processed 1 of 5: 1 recovered, 0 failed", shownCounts[1]);
    EXPECT_EQ(BaseDepth(dir.path()), engine.lastBaseDepth);
}

TEST(RecoveryJob, EveryItemEndsCountedAndMisfitContentIsDamaged) {
    test::TempDir dir;
    CDefaultTexts texts;
    CopyingEngine engine;
    CRecoveryJob job(texts, dir.path());
    ScanRecord photo = named("photo.jpg"), notes = named("notes.txt");
    photo.size = notes.size = 2;
    EXPECT_EQ(0, job.RunMany({{&engine, photo}, {&engine, notes}, {&engine, named("quiet.doc")}}));
    EXPECT_EQ(3, job.processed());
    EXPECT_EQ(1, job.failed());
    EXPECT_EQ(kErrorAccessDenied, job.details()[0].error);
    // "ok" is no JPEG: copied, but reported as damaged; the text file is a success.
    EXPECT_EQ(1, job.damaged());
    EXPECT_TRUE(job.details()[1].damaged);
    EXPECT_EQ(kDamagedStatus, job.details()[1].status);
    EXPECT_FALSE(job.details()[2].damaged);
}

TEST(RecoveryJob, CancelStopsAfterTheCurrentItem) {
    test::TempDir dir;
    CDefaultTexts texts;
    CopyingEngine engine;
    CRecoveryJob job(texts, dir.path());
    // The user confirms the cancel while the first file is being copied.
    job.SetDisplay([&](const RecoveryView& v) {
        if (v.percent == 50) job.RequestCancelLocked();
    });
    std::vector<RecoveryItem> items = {{&engine, named("a.txt")}, {&engine, named("b.txt")}};
    EXPECT_EQ(CancelCode, job.RunMany(items));
    EXPECT_TRUE(job.finished());
    EXPECT_FALSE(job.completed());
    EXPECT_EQ(0, job.processed());
    EXPECT_FALSE(platform::pathExists(platform::joinPath(platform::joinPath(dir.path(), L"others"), L"b.txt")));
}

TEST(RecoveryJob, RefusedCallbacksEndTheLoopAndOneRecordMode) {
    test::TempDir dir;
    CDefaultTexts texts;
    CopyingEngine engine;
    engine.refuseCallbacks = true;
    CRecoveryJob job(texts, dir.path());
    EXPECT_EQ(0, job.RunMany({{&engine, named("a.txt")}, {&engine, named("b.txt")}}));
    EXPECT_TRUE(job.completed());
    EXPECT_EQ(0, job.processed());

    engine.refuseCallbacks = false;
    CRecoveryJob one(texts, dir.path());
    EXPECT_EQ(0, one.RunOne({&engine, named("song.mp3")}));
    EXPECT_EQ(1, one.total());
    EXPECT_EQ(1, one.processed());
    EXPECT_TRUE(platform::pathExists(platform::joinPath(platform::joinPath(dir.path(), L"audio"), L"song.mp3")));
}

}  // namespace
}  // namespace qm
