// A deep scan whose process is killed outright (SIGKILL: no cancel, no destructors, no flush)
// is continued by the next deep scan of the same source, and ends with the same files as a
// scan that was never interrupted.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qm::test {
namespace {

const std::wstring kEverything = L"*.jpg|*.png|*.pdf|*.wav|.other";

[[maybe_unused]] std::set<std::string> deepScanNames(CScanHistory& history, const std::wstring& image, bool expectContinuation) {
    CProfessionalRecovery deep(history);
    EXPECT_EQ(0, deep.OpenImage(image, 'K'));
    EXPECT_EQ(expectContinuation, deep.HasResumableScan());
    EXPECT_EQ(0, deep.Scan(nullptr));
    std::vector<ScanRecord> byType;
    EXPECT_EQ(0, deep.ListByType(kEverything, byType));
    std::set<std::string> out;
    for (const ScanRecord& r : byType) EXPECT_TRUE(out.insert(recordName(r)).second) << "listed twice: " << recordName(r);
    return out;
}

#ifndef _WIN32
// Kills its own process once half of the deep pass is behind it.
int QM_STDCALL KillHalfway(void*, int step, int, int, uint64_t done, uint64_t total, uint64_t, int) {
    if (step >= 10 && total > 0 && done * 2 >= total) ::kill(::getpid(), SIGKILL);
    return 0;
}
#endif

TEST(DeepScanKilled, ContinuesFromItsLastCheckpointToTheSameFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "the kill is made with fork and SIGKILL (POSIX)";
#else
    const std::wstring image = fixturePath("deep/deep-fat32.img");
    TempDir reference;
    CScanHistory referenceHistory(reference.path());
    referenceHistory.Load();
    const std::set<std::string> uninterrupted = deepScanNames(referenceHistory, image, false);
    ASSERT_TRUE(uninterrupted.count("81920.png")) << "the carved picture lies in the second half";

    TempDir state;
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        CScanHistory history(state.path());
        history.Load();
        CProfessionalRecovery deep(history);
        if (deep.OpenImage(image, 'K') != 0) ::_exit(3);
        deep.SetCheckpointInterval(0);  // a checkpoint after every chunk, as 30 s would be on a big disk
        deep.SetCallbacks(KillHalfway, nullptr, nullptr, 100);
        deep.Scan(nullptr);
        ::_exit(4);  // the scan ended before it was killed
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    ASSERT_EQ(SIGKILL, WTERMSIG(status));

    CScanHistory after(state.path());
    after.Load();
    EXPECT_EQ(uninterrupted, deepScanNames(after, image, true));
#endif
}

}  // namespace
}  // namespace qm::test
