#include "results/file_time.h"
#include "results/type_classification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "results/file_type_lists.h"
#include "results/scan_record.h"

namespace qm {
namespace {

#pragma pack(push, 1)
struct FakeRecord {
    int32_t isFolder = 0;
    int32_t condition = 1;
    char name[260] = {};
};
#pragma pack(pop)

FakeRecord makeRecord(const char* name, bool isFolder = false) {
    FakeRecord record;
    record.isFolder = isFolder ? 1 : 0;
    std::memcpy(record.name, name, std::min(std::strlen(name), sizeof record.name - 1));
    return record;
}

TEST(TypeNameFor, LowerCasesExtensionAndAppliesAliases) {
    EXPECT_EQ(TypeNameFor(std::string("IMG_1.JPEG")), L"jpg");
    EXPECT_EQ(TypeNameFor(std::string("photo.tiff")), L"tif");
    EXPECT_EQ(TypeNameFor(std::string("a.scr")), L"pcx");
    EXPECT_EQ(TypeNameFor(std::string("song.MIDI")), L"mid");
    EXPECT_EQ(TypeNameFor(std::string("tune.m4p")), L"m4a");
    EXPECT_EQ(TypeNameFor(std::string("letter.docx")), L"doc");
    EXPECT_EQ(TypeNameFor(std::string("sheet.xlsx")), L"xls");
    EXPECT_EQ(TypeNameFor(std::string("talk.pptx")), L"ppt");
    EXPECT_EQ(TypeNameFor(std::string("index.htm")), L"html");
    // Names that are already the target of an alias stay as they are.
    EXPECT_EQ(TypeNameFor(std::string("b.pcx")), L"pcx");
    EXPECT_EQ(TypeNameFor(std::string("c.html")), L"html");
}

TEST(TypeNameFor, UsesTextAfterLastDotOrUnknow) {
    EXPECT_EQ(TypeNameFor(std::string("README")), L"unknow");
    EXPECT_EQ(TypeNameFor(std::string("trailing.")), L"unknow");
    EXPECT_EQ(TypeNameFor(std::string("")), L"unknow");
    EXPECT_EQ(TypeNameFor(std::string("backup.tar.GZ")), L"gz");
    EXPECT_EQ(TypeNameFor(std::string(".profile")), L"profile");
    // UTF-8 names keep their extension.
    EXPECT_EQ(TypeNameFor(std::string("\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe.JPG")), L"jpg");
}

TEST(GroupByType, GroupsNamesInListOrder) {
    const std::vector<std::string> names = {"IMG_1.JPEG", "README", "b.jpg", "photo.tiff", "a.scr", "x.pcx", "LICENSE"};
    const auto groups = GroupByType(names);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups.at(L"jpg"), (std::vector<size_t>{0, 2}));
    EXPECT_EQ(groups.at(L"tif"), (std::vector<size_t>{3}));
    EXPECT_EQ(groups.at(L"pcx"), (std::vector<size_t>{4, 5}));
    EXPECT_EQ(groups.at(L"unknow"), (std::vector<size_t>{1, 6}));
    EXPECT_TRUE(GroupByType(std::vector<std::string>{}).empty());
}

TEST(GroupByType, RecordsGiveMemberPointersAndBoundedNames) {
    std::vector<FakeRecord> records = {makeRecord("a.JPG"), makeRecord("notes.txt"), makeRecord("b.jpeg")};
    // A name field without a terminating NUL is read to its end and no further.
    FakeRecord unterminated;
    std::memset(unterminated.name, 'x', sizeof unterminated.name);
    std::memcpy(unterminated.name + 256, ".mp3", 4);
    records.push_back(unterminated);

    const auto groups = GroupByType(records);
    ASSERT_EQ(groups.size(), 3u);
    ASSERT_EQ(groups.at(L"jpg").size(), 2u);
    EXPECT_EQ(groups.at(L"jpg")[0], &records[0]);
    EXPECT_EQ(groups.at(L"jpg")[1], &records[2]);
    EXPECT_EQ(groups.at(L"txt")[0], &records[1]);
    EXPECT_EQ(groups.at(L"mp3")[0], &records[3]);
    EXPECT_EQ(RecordNameText(records[3]).size(), 260u);

    const std::array<FakeRecord, 1> fixed = {makeRecord("clip.avi")};
    EXPECT_EQ(GroupByType(fixed).at(L"avi")[0], &fixed[0]);
}

TEST(GroupByType, WorksOnScanRecords) {
    std::vector<ScanRecord> records(3);
    const char* names[] = {"DSC_0001.JPG", "DCIM", "movie.mp4"};
    for (size_t i = 0; i < records.size(); ++i) std::memcpy(records[i].name, names[i], std::strlen(names[i]));
    records[1].isFolder = 1;
    const auto groups = GroupByType(records);
    EXPECT_EQ(groups.at(L"jpg")[0], &records[0]);
    EXPECT_EQ(groups.at(L"unknow")[0], &records[1]);
    EXPECT_EQ(GroupFolderFor(records[0]), L"photo");
    EXPECT_EQ(GroupFolderFor(records[1]), L"others");
    EXPECT_EQ(RowTypeText(records[2]), L"mp4");
}

TEST(IconFor, PicksGroupIconAndDamagedVariant) {
    EXPECT_EQ(IconFor(L"jpg", 1), L"FileIcon\\image.png");
    EXPECT_EQ(IconFor(L"jpg", 0), L"FileIcon\\image_error.png");
    EXPECT_EQ(IconFor(L"rm", 1), L"FileIcon\\music.png");  // audio comes before video
    EXPECT_EQ(IconFor(L"fla", 1), L"FileIcon\\video.png");
    EXPECT_EQ(IconFor(L"pdf", 0), L"FileIcon\\doc_error.png");
    EXPECT_EQ(IconFor(L"7z", 1), L"FileIcon\\zip.png");
    EXPECT_EQ(IconFor(L"EXE", 0), L"FileIcon\\exe_error.png");
    EXPECT_EQ(IconFor(L"xyz", 1), L"FileIcon\\default.png");
    EXPECT_EQ(IconFor(L"file", 0), L"FileIcon\\default_error.png");
    // An empty type would be a substring of every list; it is no picture.
    EXPECT_EQ(IconFor(L"", 1), L"FileIcon\\default.png");
    // Folders have one icon, damaged or not.
    EXPECT_EQ(IconFor(L"Folder", 0), L"FileIcon\\folder.png");
    // Row type texts keep the name's case; they still find their group.
    EXPECT_EQ(IconFor(L"JPG", 1), L"FileIcon\\image.png");
}

TEST(BuildTypePattern, JoinsSelectedOrFallsBackToAllLists) {
    EXPECT_EQ(BuildTypePattern(std::vector<std::wstring>{L"jpg", L"png"}), L"*.jpg|*.png");
    EXPECT_EQ(BuildTypePattern(std::vector<std::wstring>{L"pdf"}), L"*.pdf");
    EXPECT_EQ(BuildTypePattern(std::vector<std::wstring>{L"other", L"DOC"}), L"*.other|*.doc");

    const std::wstring all = std::wstring(kPhotoList) + L"|" + kAudioList + L"|" + kVideoList + L"|" +
                             kDocumentList + L"|" + kArchiveList;
    EXPECT_EQ(BuildTypePattern(std::vector<std::wstring>{}), all);
    EXPECT_EQ(BuildTypePattern(SelectedExtensions{}), all);
}

TEST(FileTypeLists, KnownTypesJoinPhotoAudioDocumentVideoArchive) {
    const std::string known = KnownTypesAnsi();
    EXPECT_EQ(known.rfind("*.bmp|", 0), 0u);
    EXPECT_NE(known.find("*.aac|*.doc|"), std::string::npos);
    EXPECT_NE(known.find("*.epub|*.rmvb|"), std::string::npos);
    EXPECT_NE(known.find("*.ogv|*.zip|"), std::string::npos);
    EXPECT_EQ(known.substr(known.size() - 6), "|*.iso");
    // djvu is the photo format; "divu" would never match a real file.
    EXPECT_NE(std::wstring(kPhotoList).find(L"*.djvu|"), std::wstring::npos);
    EXPECT_EQ(std::wstring(kPhotoList).find(L"divu"), std::wstring::npos);
}

TEST(FormatFileTime, FormatsCivilDateWithoutLeadingZerosOnDate) {
    EXPECT_EQ(FormatFileTime(133514067060000000ULL), L"2024-2-3 04:05:06");
    EXPECT_EQ(FormatFileTime(133514067060000000ULL + 9999999ULL), L"2024-2-3 04:05:06");  // ticks cut
    EXPECT_EQ(FormatFileTime(125963423990000000ULL), L"2000-2-29 23:59:59");
    EXPECT_EQ(FormatFileTime(94405824000000000ULL), L"1900-3-1 00:00:00");  // 1900 has no Feb 29
    EXPECT_EQ(FormatFileTime(157519728000000000ULL), L"2100-2-28 12:00:00");
    EXPECT_EQ(FormatFileTime(116444736000000000ULL), L"1970-1-1 00:00:00");
    EXPECT_EQ(FormatFileTime(10000000ULL), L"1601-1-1 00:00:01");
    EXPECT_EQ(FormatFileTime(1ULL), L"1601-1-1 00:00:00");
    EXPECT_EQ(FormatFileTime(2650467743999999999ULL), L"9999-12-31 23:59:59");
}

TEST(FormatFileTime, UnknownOrUnshowableTimesGivePlaceholder) {
    EXPECT_EQ(FormatFileTime(0), L"    ----    ");
    EXPECT_EQ(FormatFileTime(2650467744000000000ULL), kNoTimeText);  // 10000-01-01
    EXPECT_EQ(FormatFileTime(0x8000000000000000ULL), kNoTimeText);
    EXPECT_EQ(FormatFileTime(UINT64_MAX), kNoTimeText);
}

TEST(RowTypeText, FolderExtensionAsItStandsOrFile) {
    EXPECT_EQ(RowTypeText(std::string("Pictures.2019"), true), L"folder");
    EXPECT_EQ(RowTypeText(std::string("IMG_1.JPEG"), false), L"JPEG");
    EXPECT_EQ(RowTypeText(std::string("README"), false), L"file");
    EXPECT_EQ(RowTypeText(std::string("odd."), false), L"file");
    EXPECT_EQ(RowTypeText(makeRecord("a.b.Txt")), L"Txt");
    EXPECT_EQ(RowTypeText(makeRecord("LostFolder3", true)), L"folder");
}

TEST(GroupFolderFor, SortsByGroupListsInRecoveryOrder) {
    EXPECT_EQ(GroupFolderFor(std::string("IMG_0001.JPG"), false), L"photo");
    EXPECT_EQ(GroupFolderFor(std::string("2048.pdf"), false), L"document");
    EXPECT_EQ(GroupFolderFor(std::string("Report.DOCX"), false), L"document");
    EXPECT_EQ(GroupFolderFor(std::string("song.rm"), false), L"audio");  // audio before video
    EXPECT_EQ(GroupFolderFor(std::string("clip.fla"), false), L"video");
    EXPECT_EQ(GroupFolderFor(std::string("backup.7z"), false), L"archive");
    EXPECT_EQ(GroupFolderFor(std::string("tool.exe"), false), L"others");
    EXPECT_EQ(GroupFolderFor(std::string("README"), false), L"others");
    EXPECT_EQ(GroupFolderFor(std::string("odd."), false), L"others");
    // Folders go to others whatever their name says.
    EXPECT_EQ(GroupFolderFor(std::string("holiday.jpg"), true), L"others");
    EXPECT_EQ(GroupFolderFor(makeRecord("2048.pdf")), L"document");
    EXPECT_EQ(GroupFolderFor(makeRecord("DCIM", true)), L"others");
}

TEST(GroupOfExtension, WholeItemsInRecoveryOrder) {
    EXPECT_EQ(GroupOfExtension(L"jp"), FileGroup::Other);  // not *.jpg
    EXPECT_EQ(GroupOfExtension(L"fla"), FileGroup::Video);  // not *.flac, which is audio
    EXPECT_EQ(GroupOfExtension(L"flac"), FileGroup::Audio);
    EXPECT_EQ(GroupOfExtension(L"MP3"), FileGroup::Audio);
    EXPECT_EQ(GroupOfExtension(L"mkv"), FileGroup::Video);
    EXPECT_EQ(GroupOfExtension(L"xls"), FileGroup::Document);
    EXPECT_EQ(GroupOfExtension(L"iso"), FileGroup::Archive);
    EXPECT_EQ(GroupOfExtension(L""), FileGroup::Other);
    EXPECT_EQ(GroupOfExtension(L"qqq"), FileGroup::Other);
    EXPECT_STREQ(GroupFolderName(FileGroup::Other), L"others");
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST(FileTimeIso, CalendarAndLimits) {
    // 2024-02-03 04:05:06 UTC = Unix 1706933106.
    const uint64_t ft = 116444736000000000ULL + 1706933106ULL * 10000000ULL;
    EXPECT_EQ("2024-02-03T04:05:06Z", FormatFileTimeIso(ft));
    EXPECT_EQ("1601-01-01T00:00:00Z", FormatFileTimeIso(1));
    EXPECT_EQ("", FormatFileTimeIso(0));
    EXPECT_EQ("", FormatFileTimeIso(UINT64_MAX));
}

}  // namespace
}  // namespace qm
