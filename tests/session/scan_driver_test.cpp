#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engines/null_engine.h"
#include "engines/resumable_scan.h"
#include "session/scan_driver.h"
#include "platform/folders.h"
#include "results/scan_history.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

struct Journal {
    std::vector<std::wstring> events;
};

// An engine that reports progress twice and returns a scripted result.
class FakeEngine : public CNullEngine {
public:
    FakeEngine(Journal& journal, std::wstring name, int result)
        : journal_(journal), name_(std::move(name)), result_(result) {}
    ~FakeEngine() override { journal_.events.push_back(L"destroy " + name_); }
    int SetCallbacks(ScanProgressFn fn, ItemProgressFn item, void* user, int scale) override {
        progress_ = fn;
        user_ = user;
        journal_.events.push_back(L"callbacks " + name_ + L" " + std::to_wstring(scale) + (item ? L" item" : L""));
        return 0;
    }
    int Scan(const wchar_t* logName) override {
        journal_.events.push_back(L"scan " + name_ + (logName ? L" log" : L""));
        for (int step : {50, 100}) {
            const int rc = progress_(user_, step, 100, 10, 1, 2, 3, 0);
            if (rc != 0) return rc;
        }
        return result_;
    }

private:
    Journal& journal_;
    std::wstring name_;
    int result_;
    ScanProgressFn progress_ = nullptr;
    void* user_ = nullptr;
};

class ResumableFake : public FakeEngine, public IResumableScan {
public:
    ResumableFake(Journal& j, std::wstring folder) : FakeEngine(j, L"deep", 0), folder_(std::move(folder)) {}
    bool HasResumableScan() const override { return offered; }
    std::wstring ResumableFolder() const override { return folder_; }
    void ClearResumableScan() override { offered = false; }
    bool offered = true;

private:
    std::wstring folder_;
};

class RecordingWindow : public IScanWindow {
public:
    explicit RecordingWindow(Journal& j) : journal(j) {}
    void SetStageText(const std::wstring& text) override { journal.events.push_back(L"stage " + text); }
    void SetVisible(bool visible) override { journal.events.push_back(visible ? L"show" : L"hide"); }
    bool AskYesNo(const std::wstring&) override {
        journal.events.push_back(L"ask");
        return answer;
    }
    void Close(int code) override { journal.events.push_back(L"close " + std::to_wstring(code)); }
    Journal& journal;
    bool answer = false;
};

// Progress callbacks: one that cancels after a number of reports, one that returns another
// non-zero value on the last report of every source.
struct CancelAfter {
    int reports = 0;
    int limit = 0;
    static int QM_STDCALL Fn(void* user, int, int, int, uint64_t, uint64_t, uint64_t, int) {
        auto* self = static_cast<CancelAfter*>(user);
        return ++self->reports > self->limit ? CancelCode : 0;
    }
};
int QM_STDCALL StopWithFive(void*, int step, int, int, uint64_t, uint64_t, uint64_t, int) {
    return step == 100 ? 5 : 0;
}

std::vector<ScanSource> images(std::initializer_list<const wchar_t*> names) {
    std::vector<ScanSource> sources;
    for (const wchar_t* n : names) {
        ScanSource s;
        s.isImage = true;
        s.imagePath = std::wstring(L"/media/") + n;
        sources.push_back(std::move(s));
    }
    return sources;
}

class ScanDriverTest : public ::testing::Test {
protected:
    CScanDriver driver(CScanHistory* history = nullptr) {
        return CScanDriver(window, texts, history,
                           [this](const ScanSource& s, bool) -> std::unique_ptr<IFileRecoveryParse> {
                               const std::wstring name = platform::fileNameOf(s.imagePath);
                               if (name == L"none") return nullptr;
                               if (name == L"deep") return std::make_unique<ResumableFake>(journal, resumeFolder);
                               return std::make_unique<FakeEngine>(journal, name, 0);
                           });
    }
    bool has(const std::wstring& event) const {
        return std::find(journal.events.begin(), journal.events.end(), event) != journal.events.end();
    }
    Journal journal;
    RecordingWindow window{journal};
    CDefaultTexts texts;
    CancelAfter never{0, 1000000};
    std::wstring resumeFolder;
};

TEST_F(ScanDriverTest, CancelDuringSecondOfThreeStopsTheThirdAndStillCompletes) {
    auto sources = images({L"a", L"b", L"c"});
    CancelAfter cancel{0, 3};  // a: two reports; b: one passes, the second cancels
    bool finished = false;
    const int code = driver().Run(sources, false, CancelAfter::Fn, &cancel, [&] { finished = true; });
    EXPECT_EQ(kScanWindowDone, code);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(has(L"scan a"));
    EXPECT_TRUE(has(L"scan b"));
    EXPECT_FALSE(has(L"scan c"));
    EXPECT_FALSE(has(L"stage Scanning image c"));
    EXPECT_EQ(L"close 1", journal.events.back());
    // The engines stay with their sources for listing afterwards.
    EXPECT_NE(nullptr, sources[0].engine);
    EXPECT_NE(nullptr, sources[1].engine);
    EXPECT_EQ(nullptr, sources[2].engine);
}

TEST_F(ScanDriverTest, OtherNonZeroResultStopsOneSourceOnly) {
    auto sources = images({L"a", L"b", L"c"});
    bool finished = false;
    driver().Run(sources, false, StopWithFive, nullptr, [&] { finished = true; });
    EXPECT_TRUE(has(L"scan a"));
    EXPECT_TRUE(has(L"scan b"));
    EXPECT_TRUE(has(L"scan c"));
    EXPECT_TRUE(finished);
    EXPECT_EQ(L"close 1", journal.events.back());
}

TEST_F(ScanDriverTest, NoEngineClosesWithThreeAndPostsNothing) {
    auto sources = images({L"a", L"none", L"c"});
    bool finished = false;
    EXPECT_EQ(kScanWindowNoEngine, driver().Run(sources, false, CancelAfter::Fn, &never, [&] { finished = true; }));
    EXPECT_FALSE(finished);
    EXPECT_FALSE(has(L"scan c"));
    EXPECT_EQ(L"close 3", journal.events.back());
    EXPECT_NE(nullptr, sources[0].engine);
}

TEST_F(ScanDriverTest, EmptyListDoesNothing) {
    std::vector<ScanSource> none;
    bool finished = false;
    EXPECT_EQ(0, driver().Run(none, false, CancelAfter::Fn, &never, [&] { finished = true; }));
    EXPECT_FALSE(finished);
    EXPECT_TRUE(journal.events.empty());
}

TEST_F(ScanDriverTest, RescanDestroysTheEarlierEngineFirstAndUsesScaleHundred) {
    auto sources = images({L"a"});
    driver().Run(sources, false, CancelAfter::Fn, &never, nullptr);
    journal.events.clear();
    driver().Run(sources, false, CancelAfter::Fn, &never, nullptr);
    ASSERT_GE(journal.events.size(), 3u);
    EXPECT_EQ(L"stage Scanning image a", journal.events[0]);
    EXPECT_EQ(L"destroy a", journal.events[1]);
    EXPECT_TRUE(has(L"callbacks a 100"));
}

TEST_F(ScanDriverTest, FastScansGetFreshHistoryFolders) {
    test::TempDir dir;
    CScanHistory history(dir.path());
    history.Load();
    auto sources = images({L"a", L"b"});
    driver(&history).Run(sources, false, CancelAfter::Fn, &never, nullptr);
    EXPECT_EQ(2u, history.Counter());
}

TEST_F(ScanDriverTest, DeclinedEarlierScanIsForgottenWithItsFolder) {
    test::TempDir dir;
    CScanHistory history(dir.path());
    history.Load();
    resumeFolder = platform::joinPath(history.BaseFolder(), L"7");
    ASSERT_EQ(0, platform::createFolderTree(resumeFolder));
    auto sources = images({L"deep"});
    window.answer = false;
    driver(&history).Run(sources, true, CancelAfter::Fn, &never, nullptr);
    EXPECT_TRUE(has(L"hide"));
    EXPECT_TRUE(has(L"ask"));
    EXPECT_TRUE(has(L"show"));
    EXPECT_FALSE(platform::pathExists(resumeFolder));
    EXPECT_FALSE(dynamic_cast<ResumableFake*>(sources[0].engine.get())->offered);
    EXPECT_EQ(0u, history.Counter());  // the deep mode takes no new folder here

    // Accepting keeps the folder and the offer.
    ASSERT_EQ(0, platform::createFolderTree(resumeFolder));
    window.answer = true;
    driver(&history).Run(sources, true, CancelAfter::Fn, &never, nullptr);
    EXPECT_TRUE(platform::pathExists(resumeFolder));
    EXPECT_TRUE(dynamic_cast<ResumableFake*>(sources[0].engine.get())->offered);
}

TEST_F(ScanDriverTest, StageTexts) {
    auto d = driver();
    ScanSource withLetter;
    withLetter.driveLetter = 'E';
    EXPECT_EQ(L"Scanning partition E:", d.StageText(withLetter));
    ScanSource numbered;
    numbered.driveLetter = 3;
    EXPECT_EQ(L"Scanning partition 3", d.StageText(numbered));
    ScanSource image;
    image.isImage = true;
    image.imagePath = L"C:\\images\\card.img";
    EXPECT_EQ(L"Scanning image card.img", d.StageText(image));
    image.imagePath = L"/home/u/disk.img";
    EXPECT_EQ(L"Scanning image disk.img", d.StageText(image));
}

}  // namespace
}  // namespace qm
