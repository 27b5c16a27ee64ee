#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/found_files_model.h"
#include "results/type_classification.h"

namespace qm {
namespace {

ScanRecord makeRecord(const std::string& name, uint64_t size, int32_t recordNo, uint16_t tag = u'E', bool folder = false) {
    ScanRecord r;
    setRecordName(r, name);
    r.size = size;
    r.recordNo = recordNo;
    r.driveLetter = tag;
    r.sourceKind = kSourceFastFat;
    r.isFolder = folder ? 1 : 0;
    r.condition = 1;
    r.modified = 133514067060000000ull;  // 2024-02-03 04:05:06
    return r;
}

struct Model {
    TypeChoice choice;
    FoundFilesModel model;
    explicit Model(std::vector<ScanRecord> records, bool otherFiles = false) {
        choice.Reset(DefaultChoiceGroups());
        model.SetResults(std::move(records), choice.OptionIndex(), otherFiles);
    }
    size_t typeIndex(const std::wstring& type) const {
        for (size_t i = 0; i < model.Types().size(); ++i) {
            if (model.Types()[i].type == type) return i;
        }
        ADD_FAILURE() << "no type node";
        return 0;
    }
    std::vector<std::wstring> column(size_t type, FileColumn c) const {
        std::vector<std::wstring> texts;
        for (const FileRow& row : model.PageRows(type, 1, 1000)) texts.push_back(row.columns[static_cast<size_t>(c)]);
        return texts;
    }
};

std::vector<ScanRecord> mixedRecords() {
    return {makeRecord("a.jpg", 10, 1), makeRecord("B.JPEG", 30, 2), makeRecord("c.png", 5, 3),
            makeRecord("README", 7, 4), makeRecord("d.weird", 1, 5), makeRecord("song.mp3", 100, 6)};
}

TEST(FoundFilesModel, TypeTreeGroupsByOptionAndLeavesOptionlessTypesToTheOtherOption) {
    Model without(mixedRecords());
    EXPECT_EQ(L"JPG/JPEG (2)", without.model.Types()[without.typeIndex(L"jpg")].text);
    EXPECT_EQ(L"PNG Graphics Files (1)", without.model.Types()[without.typeIndex(L"png")].text);
    EXPECT_EQ(4u, without.model.FileCount());  // README and d.weird have no option
    EXPECT_FALSE(without.model.Groups()[kOtherGroup].visible);
    EXPECT_EQ(L"Photos (3)", without.model.GroupText(0, L"Photos"));
    EXPECT_TRUE(without.model.Groups()[1].visible);
    EXPECT_FALSE(without.model.Groups()[2].visible);

    Model with(mixedRecords(), true);
    EXPECT_EQ(6u, with.model.FileCount());
    EXPECT_EQ(L"UNKNOW Files (1)", with.model.Types()[with.typeIndex(L"unknow")].text);
    EXPECT_EQ(L"WEIRD Files (1)", with.model.Types()[with.typeIndex(L"weird")].text);
    EXPECT_EQ(static_cast<int>(kOtherGroup), with.model.Types()[with.typeIndex(L"weird")].group);
}

TEST(FoundFilesModel, RowsShowTheirColumnsPageByPage) {
    Model m({makeRecord("photo.JPG", 2048, 1), makeRecord("DCIM.jpg", 0, 2, u'E', true), makeRecord("c.jpg", 1, 3)});
    const size_t jpg = m.typeIndex(L"jpg");
    EXPECT_EQ(2u, m.model.PageCount(jpg, 2));
    const std::vector<FileRow> first = m.model.PageRows(jpg, 1, 2);
    ASSERT_EQ(2u, first.size());
    EXPECT_EQ(L"photo.JPG", first[0].columns[0]);
    EXPECT_EQ(L"2.00 KB", first[0].columns[1]);
    EXPECT_EQ(L"2024-2-3 04:05:06", first[0].columns[2]);
    EXPECT_EQ(kNoTimeText, first[0].columns[3]);
    EXPECT_EQ(kNoTimeText, first[0].columns[4]);
    EXPECT_EQ(L"JPG", first[0].columns[5]);
    EXPECT_EQ(L"FileIcon\\image.png", first[0].icon);
    EXPECT_EQ(L"", first[1].columns[1]);  // a folder has no size
    EXPECT_EQ(L"folder", first[1].columns[5]);
    const std::vector<FileRow> second = m.model.PageRows(jpg, 2, 2);
    ASSERT_EQ(1u, second.size());
    EXPECT_EQ(L"c.jpg", second[0].columns[0]);
    EXPECT_TRUE(m.model.PageRows(jpg, 3, 2).empty());

    Model plain({makeRecord("NOTES", 3, 1)}, true);
    EXPECT_EQ(std::vector<std::wstring>{L"file"}, plain.column(0, FileColumn::Type));
}

TEST(FoundFilesModel, HeaderClicksSortAndToggle) {
    Model m({makeRecord("b.jpg", 10, 1), makeRecord("C.jpg", 300, 2), makeRecord("a.jpg", 20, 3),
             makeRecord("aa.jpg", 20, 4)});
    const size_t jpg = m.typeIndex(L"jpg");
    m.model.SortBy(jpg, FileColumn::Size);  // largest first
    EXPECT_EQ((std::vector<std::wstring>{L"C.jpg", L"a.jpg", L"aa.jpg", L"b.jpg"}), m.column(jpg, FileColumn::FileName));
    EXPECT_EQ(kHeaderDescendingImage, m.model.HeaderImages()[1]);
    EXPECT_EQ(kHeaderImage, m.model.HeaderImages()[0]);
    m.model.SortBy(jpg, FileColumn::Size);  // then smallest first; equal sizes keep their order
    EXPECT_EQ((std::vector<std::wstring>{L"b.jpg", L"a.jpg", L"aa.jpg", L"C.jpg"}), m.column(jpg, FileColumn::FileName));
    EXPECT_EQ(kHeaderAscendingImage, m.model.HeaderImages()[1]);

    m.model.SortBy(jpg, FileColumn::FileName);  // A to Z, ignoring case
    EXPECT_EQ((std::vector<std::wstring>{L"a.jpg", L"aa.jpg", L"b.jpg", L"C.jpg"}), m.column(jpg, FileColumn::FileName));
    m.model.SortBy(jpg, FileColumn::FileName);
    EXPECT_EQ((std::vector<std::wstring>{L"C.jpg", L"b.jpg", L"aa.jpg", L"a.jpg"}), m.column(jpg, FileColumn::FileName));

    m.model.SortBy(jpg, FileColumn::Path);
    m.model.SortBy(jpg, FileColumn::Path);
    EXPECT_EQ(-1, m.model.Direction(FileColumn::Path));
}

TEST(FoundFilesModel, NamesSortBeyondTheirFirstBytes) {
    Model m({makeRecord("IMG_20240203_000012.jpg", 1, 1), makeRecord("img_20240203_000003.jpg", 1, 2),
             makeRecord("x.jpg", 1, 3), makeRecord("IMG_20240203_00001.jpg", 1, 4)});
    m.model.SortBy(m.typeIndex(L"jpg"), FileColumn::FileName);
    EXPECT_EQ((std::vector<std::wstring>{L"img_20240203_000003.jpg", L"IMG_20240203_00001.jpg",
                                         L"IMG_20240203_000012.jpg", L"x.jpg"}),
              m.column(m.typeIndex(L"jpg"), FileColumn::FileName));
}

TEST(FoundFilesModel, ChecksFollowRowsTypesAndGroups) {
    Model m(mixedRecords());
    const size_t jpg = m.typeIndex(L"jpg");
    const size_t png = m.typeIndex(L"png");
    EXPECT_EQ(L"MSG0803", m.model.Summary().messageKey);
    EXPECT_FALSE(m.model.Summary().recoverEnabled);

    m.model.SetRecordChecked(m.model.Types()[jpg].records[0], true);
    EXPECT_EQ(app::CheckState::HalfChecked, m.model.TypeCheckState(jpg));
    EXPECT_EQ(app::CheckState::HalfChecked, m.model.GroupCheckState(0));
    EXPECT_TRUE(m.model.PageRows(jpg, 1)[0].checked);
    EXPECT_EQ(kRowCheckedImage, m.model.PageRows(jpg, 1)[0].checkImage);

    m.model.SetGroupChecked(0, true);
    EXPECT_EQ(app::CheckState::Checked, m.model.TypeCheckState(png));
    EXPECT_EQ(app::CheckState::Checked, m.model.GroupCheckState(0));
    const SelectionSummary summary = m.model.Summary();
    EXPECT_EQ(3u, summary.files);
    EXPECT_EQ(45u, summary.bytes);
    EXPECT_TRUE(summary.recoverEnabled);
    EXPECT_EQ(L"Selected: 45 Bytes in 3 files", SummaryText(summary, L"Selected: %s in %d files"));

    m.model.SetTypeChecked(jpg, false);
    EXPECT_EQ(app::CheckState::Unchecked, m.model.TypeCheckState(jpg));
    EXPECT_EQ(app::CheckState::HalfChecked, m.model.GroupCheckState(0));
    EXPECT_EQ(1u, m.model.Summary().files);
    EXPECT_EQ(std::vector<RecordIndex>{2}, m.model.CheckedRecords());
}

TEST(FoundFilesModel, ASecondResultSetDoesNotMixWithTheFirst) {
    Model m({makeRecord("a.jpg", 10, 1), makeRecord("b.jpg", 20, 2)});
    m.model.SetGroupChecked(0, true);
    const auto firstKeys = m.model.CheckedFiles();
    ASSERT_EQ(2u, firstKeys.size());

    // Another source with the same tag and the same record numbers.
    m.model.SetResults({makeRecord("other.jpg", 99, 1), makeRecord("more.jpg", 5, 2)}, m.choice.OptionIndex(), false);
    EXPECT_EQ(0u, m.model.Summary().files);
    EXPECT_EQ(app::CheckState::Unchecked, m.model.GroupCheckState(0));
    m.model.SetRecordChecked(0, true);
    const auto secondKeys = m.model.CheckedFiles();
    ASSERT_EQ(1u, secondKeys.size());
    const CheckedFileKey key = secondKeys.begin()->first;
    EXPECT_EQ(1, key.recordNo);
    EXPECT_EQ((uint32_t{u'E'} << 16) | kSourceFastFat, key.source);
    EXPECT_EQ(0u, firstKeys.count(key));  // the first set's key of record 1 is another key
    EXPECT_EQ(99u, static_cast<uint64_t>(m.model.Records()[secondKeys.begin()->second].size));
}

}  // namespace
}  // namespace qm
