#include <gtest/gtest.h>

#include <thread>

#include "session/scan_progress.h"
#include "session/text_source.h"

namespace qm {
namespace {

TEST(ScanProgress, TimeLines) {
    CDefaultTexts texts;
    texts.Set(L"MSG0705", L"unknown");
    texts.Set(L"MSG0708", L"left ");
    EXPECT_EQ(L"unknown", FormatScanProgress(texts, 1, 100, -1, 0, 0, 0).timeText);
    EXPECT_EQ(L"left 1 Hour 0 Min", FormatScanProgress(texts, 1, 100, 3600, 0, 0, 0).timeText);
    EXPECT_EQ(L"left 1 Min 0 Sec", FormatScanProgress(texts, 1, 100, 60, 0, 0, 0).timeText);
    EXPECT_EQ(L"left 59 Sec", FormatScanProgress(texts, 1, 100, 59, 0, 0, 0).timeText);
}

TEST(ScanProgress, PercentAndCounts) {
    CDefaultTexts texts;
    texts.Set(L"MSG0704", L"Done");
    texts.Set(L"MSG0706", L"Sectors");
    texts.Set(L"MSG0707", L"Files");
    auto view = FormatScanProgress(texts, 50, 90, 5, 123, 4567, 89);
    EXPECT_EQ(45, view.percent);  // step x scale / 100
    EXPECT_EQ(L"Done 45%", view.percentText);
    EXPECT_TRUE(view.countsVisible);
    EXPECT_EQ(L"Sectors 123 / 4567", view.sectorsText);
    EXPECT_EQ(L"Files 89", view.filesText);
    // No sector total: neither line is shown.
    view = FormatScanProgress(texts, 50, 100, 5, 123, 0, 89);
    EXPECT_FALSE(view.countsVisible);
    // Values beyond the bar are held to it.
    EXPECT_EQ(100, FormatScanProgress(texts, 2000000000, 2000000000, 5, 0, 0, 0).percent);
    EXPECT_EQ(0, FormatScanProgress(texts, -5, 100, 5, 0, 0, 0).percent);
}

TEST(ScanProgressSink, CancelReturnsCancelCodeAndQuestionPausesTheWorker) {
    CDefaultTexts texts;
    CScanProgressSink sink(texts);
    int shown = 0;
    sink.SetDisplay([&](const ScanProgressView&) { ++shown; });
    EXPECT_EQ(0, CScanProgressSink::Callback(&sink, 10, 100, -1, 0, 0, 0, 0));
    EXPECT_EQ(1, shown);
    EXPECT_EQ(10, sink.Latest().percent);

    // While the cancel question holds the lock, the worker's report waits; "yes" cancels it.
    std::unique_lock<std::mutex> question(sink.Lock());
    int workerResult = 1;
    std::thread worker([&] { workerResult = sink.OnProgress(20, 100, -1, 0, 0, 0); });
    sink.CancelLocked();
    question.unlock();
    worker.join();
    EXPECT_EQ(CancelCode, workerResult);
    EXPECT_EQ(1, shown);
    EXPECT_TRUE(sink.Cancelled());
}

TEST(TextFormatting, OneValueSafely) {
    EXPECT_EQ(L"Partition E:", FormatWithChar(L"Partition %c:", L'E'));
    EXPECT_EQ(L"Partition 12", FormatWithNumber(L"Partition %d", 12));
    EXPECT_EQ(L"100% of x", FormatWithText(L"100%% of %s", L"x"));
    // A second conversion in a language text stays as written: nothing is read for it.
    EXPECT_EQ(L"a 5 %s %n", FormatWithNumber(L"a %d %s %n", 5));
    EXPECT_EQ(L"trailing %", FormatWithNumber(L"trailing %", 1));
    EXPECT_EQ(L"no value", FormatWithChar(L"no value", L'Q'));
}

}  // namespace
}  // namespace qm
