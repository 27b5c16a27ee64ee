#include <gtest/gtest.h>

#include "platform/folders.h"
#include "preview/preview_temp_files.h"
#include "tests/support/test_support.h"

namespace qm::preview {
namespace {

TEST(PreviewTempFiles, DeletesOwnFilesAndLeavesOthersAlone) {
    test::TempDir appData, elsewhere;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    const std::wstring folder = PreviewTempFolder();
    EXPECT_EQ(platform::joinPath(platform::joinPath(appData.path(), L"OrlynDataRecovery"), L"ScanLog"), folder);
    ASSERT_EQ(0, platform::createFolderTree(folder));
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    for (const wchar_t* name : {L"tmp.jpg", L"tmp.avi", L"pdf-000001.png", L"letter.docx", L"kept.doc"})
        test::writeWholeFile(platform::joinPath(folder, name), bytes);
    const std::wstring outside = elsewhere.file(L"letter.docx");
    test::writeWholeFile(outside, bytes);

    DeletePreviewTempFiles({platform::joinPath(folder, L"letter.docx"), outside});
    for (const wchar_t* name : {L"tmp.jpg", L"tmp.avi", L"pdf-000001.png", L"letter.docx"})
        EXPECT_FALSE(platform::pathExists(platform::joinPath(folder, name))) << platform::joinPath(folder, name);
    EXPECT_TRUE(platform::pathExists(platform::joinPath(folder, L"kept.doc")));  // not remembered
    EXPECT_TRUE(platform::pathExists(outside));
}

}  // namespace
}  // namespace qm::preview
