// The copy-out code both FAT engines share, over a stand-in copier: the piece handling of a
// copy loop, the never-overwrite rule, folder recovery and preview clean-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engines/fat/fat_copy_pass.h"
#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"
#include "engines/null_engine.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

struct Calls {
    std::vector<std::pair<int, int>> progress;  // (percent, error)
    std::vector<uint8_t> received;
    int sinkAnswer = 0;
    int progressAnswer = 0;
};

ChainSink SinkInto(Calls& calls) {
    return [&calls](const uint8_t* bytes, size_t length) {
        calls.received.insert(calls.received.end(), bytes, bytes + length);
        return calls.sinkAnswer;
    };
}

ChainProgress ProgressInto(Calls& calls) {
    return [&calls](int percent, int error) {
        calls.progress.push_back({percent, error});
        return calls.progressAnswer;
    };
}

TEST(FatCopyPass, PiecesGoToTheSinkAndTheEndIsReportedOnce) {
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Calls calls;
    const ChainSink sink = SinkInto(calls);
    const ChainProgress progress = ProgressInto(calls);
    ChainCopyPass pass(8, sink, progress);
    EXPECT_FALSE(pass.Deliver(bytes, 2, false).has_value());
    EXPECT_FALSE(pass.Deliver(bytes + 2, 6, false).has_value());
    EXPECT_TRUE(pass.Complete());
    const ChainCopyResult end = pass.Finish(0);
    EXPECT_EQ(0, end.error);
    EXPECT_EQ(8u, end.bytesDone);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), calls.received);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{25, 0}, {100, 0}}), calls.progress);
}

// One 4-byte piece of a 100-byte copy, the sink and the progress answering as given.
struct OnePiece {
    std::optional<ChainCopyResult> end;
    Calls calls;
};

OnePiece DeliverOnePiece(int sinkAnswer, int progressAnswer, bool shortRead) {
    OnePiece piece;
    piece.calls.sinkAnswer = sinkAnswer;
    piece.calls.progressAnswer = progressAnswer;
    const ChainSink sink = SinkInto(piece.calls);
    const ChainProgress progress = ProgressInto(piece.calls);
    ChainCopyPass pass(100, sink, progress);
    const uint8_t bytes[4] = {};
    piece.end = pass.Deliver(bytes, 4, shortRead);
    return piece;
}

TEST(FatCopyPass, FullSinkWriteErrorShortReadAndStop) {
    // A full sink ends the copy as a success with what it took.
    OnePiece full = DeliverOnePiece(-1, 0, false);
    ASSERT_TRUE(full.end.has_value());
    EXPECT_EQ(0, full.end->error);
    EXPECT_EQ(4u, full.end->bytesDone);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{100, 0}}), full.calls.progress);

    // A write error is the copy's error and the bytes do not count.
    OnePiece failed = DeliverOnePiece(kErrorWriteFault, 0, false);
    ASSERT_TRUE(failed.end.has_value());
    EXPECT_EQ(kErrorWriteFault, failed.end->error);
    EXPECT_EQ(0u, failed.end->bytesDone);

    // A short read before the end fails; a stop asked for then still counts as a stop.
    OnePiece shortRead = DeliverOnePiece(0, CancelCode, true);
    ASSERT_TRUE(shortRead.end.has_value());
    EXPECT_EQ(CancelCode, shortRead.end->error);
    EXPECT_TRUE(shortRead.end->stoppedByProgress);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{100, kErrorReadFault}}), shortRead.calls.progress);

    // A stop between pieces ends the copy without an end report.
    OnePiece stopped = DeliverOnePiece(0, CancelCode, false);
    ASSERT_TRUE(stopped.end.has_value());
    EXPECT_EQ(CancelCode, stopped.end->error);
    EXPECT_TRUE(stopped.end->stoppedByProgress);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{4, 0}}), stopped.calls.progress);
}

// Each record's content is its name's bytes; a record of size 0 fails with a read fault.
ChainCopyResult CopyName(const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress) {
    const std::string name = recordName(record);
    ChainCopyPass pass(record.size, sink, progress);
    if (record.size == 0) return pass.Finish(kErrorReadFault);
    if (auto end = pass.Deliver(reinterpret_cast<const uint8_t*>(name.data()), name.size(), false)) return *end;
    return pass.Finish(0);
}

ScanRecord Record(const std::string& name, int32_t fsId, bool folder) {
    ScanRecord r;
    setRecordName(r, name);
    r.fsId = fsId;
    r.isFolder = folder ? 1 : 0;
    r.size = folder ? 0 : name.size();
    return r;
}

// Lists fixed children by (fsId, level). Folder 7 stands twice in folder 5, as a damaged
// tree may have it: its files are copied once.
class FixedTree : public CNullEngine {
public:
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override {
        out.clear();
        if (folder->fsId == 5 && level == 1)
            out = {Record("a.txt", 10, false), Record("sub", 7, true), Record("again", 7, true)};
        if (folder->fsId == 7 && level == 2) out = {Record("b.txt", 11, false), Record("deeper", 8, true)};
        if (folder->fsId == 8 && level == 3) out = {Record("c.txt", 12, false)};
        return 0;
    }
};

struct ItemLog {
    std::vector<int> errors;  // of the calls with percent 100
    int answer = 0;
};

int QM_STDCALL LogItem(void* user, int percent, int, int error, const wchar_t*) {
    auto* log = static_cast<ItemLog*>(user);
    if (percent == 100) log->errors.push_back(error);
    return log->answer;
}

TEST(FatItemRecovery, FilesNeverReplaceWhatIsThere) {
    test::TempDir out;
    ItemLog log;
    const FatItemOutput output{CopyName, LogItem, &log};
    const std::wstring target = out.file(L"a.txt");
    bool stop = true;
    EXPECT_EQ(0, CopyFoundFile(Record("a.txt", 10, false), target, output, stop));
    EXPECT_FALSE(stop);
    EXPECT_EQ(std::vector<uint8_t>({'a', '.', 't', 'x', 't'}), test::readWholeFile(target));

    log.answer = CancelCode;
    EXPECT_EQ(kErrorFileExists, CopyFoundFile(Record("other", 10, false), target, output, stop));
    EXPECT_TRUE(stop);
    EXPECT_EQ(std::vector<uint8_t>({'a', '.', 't', 'x', 't'}), test::readWholeFile(target));
    EXPECT_EQ((std::vector<int>{0, kErrorFileExists}), log.errors);
}

TEST(FatItemRecovery, FoldersComeOutWithEverythingBelowThemOnce) {
    test::TempDir out;
    FixedTree tree;
    ItemLog log;
    const FatItemOutput output{CopyName, LogItem, &log};
    const ScanRecord top = Record("top", 5, true);
    const std::wstring dest = out.file(L"top");
    EXPECT_EQ(kErrorInvalidParameter, RecoverFoundItem(tree, true, nullptr, dest, 0, output));
    EXPECT_EQ(kErrorInvalidHandle, RecoverFoundItem(tree, false, &top, dest, 0, output));
    EXPECT_FALSE(platform::pathExists(dest));

    // The destination's depth below the base gives the folder's level (1 here).
    const int base =
        static_cast<int>(std::count_if(dest.begin(), dest.end(), [](wchar_t c) { return c == L'/' || c == L'\\'; })) - 1;
    EXPECT_EQ(0, RecoverFoundItem(tree, true, &top, dest, base, output));
    EXPECT_EQ((std::vector<int>{0, 0, 0}), log.errors);
    const std::wstring sub = platform::joinPath(dest, L"sub");
    EXPECT_TRUE(platform::pathExists(platform::joinPath(dest, L"a.txt")));
    EXPECT_TRUE(platform::pathExists(platform::joinPath(sub, L"b.txt")));
    EXPECT_TRUE(platform::pathExists(platform::joinPath(platform::joinPath(sub, L"deeper"), L"c.txt")));
    EXPECT_TRUE(platform::isFolder(platform::joinPath(dest, L"again")));
    EXPECT_FALSE(platform::pathExists(platform::joinPath(platform::joinPath(dest, L"again"), L"b.txt")));

    // A second time everything exists; a stop asked for at the first file ends the walk.
    log = {};
    log.answer = CancelCode;
    EXPECT_EQ(kErrorFileExists, RecoverFoundItem(tree, true, &top, dest, base, output));
    EXPECT_EQ(1u, log.errors.size());
}

TEST(FatItemPreview, FailedPreviewLeavesNoTemporaryFile) {
    test::TempDir appData;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    std::wstring path = L"stale";
    uint64_t count = 5;
    const ScanRecord doc = Record("note.doc", 3, false);
    EXPECT_EQ(kErrorInvalidHandle, ExtractFoundFile(false, &doc, path, nullptr, count, nullptr, nullptr, CopyName));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(0u, count);

    EXPECT_EQ(0, ExtractFoundFile(true, &doc, path, nullptr, count, nullptr, nullptr, CopyName));
    ASSERT_EQ(L"note.doc", platform::fileNameOf(path));
    EXPECT_EQ(8u, test::readWholeFile(path).size());

    ScanRecord broken = doc;
    broken.size = 0;
    const std::wstring earlier = path;
    EXPECT_EQ(kErrorReadFault, ExtractFoundFile(true, &broken, path, nullptr, count, nullptr, nullptr, CopyName));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(platform::pathExists(earlier));

    // Other types go to memory, cut to the room given.
    const ScanRecord bin = Record("data.bin", 4, false);
    std::vector<uint8_t> memory(3);
    count = memory.size();
    EXPECT_EQ(0, ExtractFoundFile(true, &bin, path, memory.data(), count, nullptr, nullptr, CopyName));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(3u, count);
    EXPECT_EQ(std::vector<uint8_t>({'d', 'a', 't'}), memory);
}

}  // namespace
}  // namespace qm
