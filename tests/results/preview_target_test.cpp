#include <gtest/gtest.h>

#include "platform/folders.h"
#include "results/preview_target.h"
#include "results/safe_path_component.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

std::wstring targetFor(const char* name) {
    ScanRecord r{};
    setRecordName(r, name);
    return PreviewTargetName(r);
}

TEST(PreviewTarget, ConvertedDocumentsKeepTheirNameMediaAndPicturesGetFixedNames) {
    EXPECT_EQ(L"Report.DOCX", targetFor("Report.DOCX"));
    EXPECT_EQ(L"tmp.avi", targetFor("song.rm"));  // in the audio and the video list
    EXPECT_EQ(L"tmp.avi", targetFor("clip.mkv"));
    EXPECT_EQ(L"tmp.jpg", targetFor("photo.jpeg"));
    EXPECT_EQ(L"", targetFor("notes.txt"));  // shown from memory
    EXPECT_EQ(L"", targetFor("x.mp"));       // not the "mp3" item

    test::TempDir appData;
    test::ScopedEnv env("QUILLMERE_APPDATA", appData.path());
    ScanRecord r{};
    setRecordName(r, "a.pdf");
    EXPECT_EQ(platform::joinPath(PreviewTargetFolder(), L"a.pdf"), PreviewTargetPath(r));
    setRecordName(r, std::string(250, 'n') + ".pdf");  // the path would pass 259 characters
    EXPECT_EQ(L"", PreviewTargetPath(r));
}

TEST(SafePathComponent, NamesThatWouldLeaveTheFolderOrOpenADevice) {
    EXPECT_EQ(L".._.._x.doc", SafePathComponent("..\\../x.doc"));
    EXPECT_EQ(L"a_b_c_.doc", SafePathComponent(std::string("a:b*c\0.doc", 10)));
    EXPECT_EQ(L"_..", SafePathComponent(".."));
    EXPECT_EQ(L"_", SafePathComponent(""));
    EXPECT_EQ(L"_NUL.txt", SafePathComponent("NUL.txt"));
    EXPECT_EQ(L"_com1", SafePathComponent("com1"));
    EXPECT_EQ(L"com10.txt", SafePathComponent("com10.txt"));
    EXPECT_EQ(L"name_", SafePathComponent("name."));
}

}  // namespace
}  // namespace qm
