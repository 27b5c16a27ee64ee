// The results page of the main window: the files a search found, grouped into the type tree
// ("TypeTree": six group nodes with one child per type), the rows of "FileList" one page at a
// time, sorting by the list's headers, the user's checks and the selection summary.
//
// Built for a million records: the model owns the one copy of the records (moved in); type
// lists, sort orders and checks are 32-bit indices into it and a bit per record, and row texts
// are made only for the page shown.
#pragma once
#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/tree_check_model.h"
#include "app/core/type_choice.h"
#include "results/scan_record.h"

namespace qm {

// The group nodes of "TypeTree" in kFileTypeGroups order, and the MSG keys of their names.
inline constexpr std::array<const wchar_t*, kTypeGroupCount> kGroupNodes = {
    L"NodePhoto", L"NodeAudio", L"NodeVideo", L"NodeOffice", L"NodeZip", L"NodeOther"};
inline constexpr std::array<const wchar_t*, kTypeGroupCount> kGroupNodeKeys = {
    L"MSG0807", L"MSG0808", L"MSG0809", L"MSG0810", L"MSG0811", L"MSG0812"};
// The page-2 option that lets types without an option of their own into "NodeOther".
inline constexpr wchar_t kOtherFilesOption[] = L"OptOtherFileItem";
inline constexpr size_t kOtherGroup = 5;

// "FileList" headers in column order after the check column.
enum class FileColumn { FileName, Size, ModifiedTime, CreatedTime, Path, Type };
inline constexpr size_t kFileColumnCount = 6;
inline constexpr std::array<const wchar_t*, kFileColumnCount> kFileListHeaders = {
    L"FileName", L"Size", L"ModifiedTime", L"CreatedTime", L"Path", L"Type"};
// The header named so, or false for another control ("CheckAll", the headers of "DiskList").
bool FileColumnOfHeader(std::wstring_view header, FileColumn& column);

inline constexpr wchar_t kRowCheckImage[] = L"file='checkbox.png' source='0,22,12,34' dest='2,0,14,12'";
inline constexpr wchar_t kRowCheckedImage[] = L"file='checkbox.png' source='48,22,60,34' dest='2,0,14,12'";
inline constexpr wchar_t kHeaderImage[] = L"file='list_header_bg.png' corner='0,1,0,1'";
inline constexpr wchar_t kHeaderAscendingImage[] = L"file='list_header_asc.png' corner='0,1,13,1'";
inline constexpr wchar_t kHeaderDescendingImage[] = L"file='list_header_desc.png' corner='0,1,13,1'";

inline constexpr size_t kFileListPageRows = 200;

using RecordIndex = uint32_t;  // position in FoundFilesModel::Records()

struct TypeNode {
    std::wstring type;   // type name ("jpg", "unknow")
    std::wstring text;   // "JPG/JPEG (12)", "UNKNOW Files (3)"
    std::wstring icon;   // the node's icon: IconFor(type, recoverable)
    int group = 0;       // 0..5
    std::vector<RecordIndex> records;  // in list order (as found, or as last sorted)
    size_t checked = 0;                // how many of them are checked
};

struct GroupNode {
    bool visible = false;        // shown when it holds at least one type
    std::vector<size_t> types;   // indices into Types(), by type name
    size_t files = 0;
    size_t checked = 0;
};

// One row of "FileList".
struct FileRow {
    RecordIndex record = 0;
    bool checked = false;
    std::wstring checkImage;  // kRowCheckImage or kRowCheckedImage
    std::wstring icon;        // "FileIcon\image.png" (IconFor of the row's type and condition)
    std::array<std::wstring, kFileColumnCount> columns;  // in kFileListHeaders order
};

// A key of checkedFiles: the record's number in its scan log and its source (driveLetter x 65536
// + low 16 bits of sourceKind), prefixed by the result set it belongs to, so that two scans
// whose sources share a tag never mix.
struct CheckedFileKey {
    uint32_t resultSet = 0;
    int32_t recordNo = 0;
    uint32_t source = 0;
    friend auto operator<=>(const CheckedFileKey&, const CheckedFileKey&) = default;
};

// "SelectedFileInfo" and "BtnRecover".
struct SelectionSummary {
    size_t files = 0;
    uint64_t bytes = 0;
    bool recoverEnabled = false;
    std::wstring messageKey;  // MSG0804 (format: "%s" total size, "%d" files) or MSG0803
};
// The summary's text: format (the text of messageKey) with the size and count filled in.
std::wstring SummaryText(const SelectionSummary& summary, const std::wstring& format);

class FoundFilesModel {
public:
    // The search finished: takes its records (a new result set; every check is dropped) and
    // groups them into the type tree. A type goes under the group of its option in options;
    // a type without one goes to "NodeOther" while otherFilesSelected (kOtherFilesOption is
    // ticked), else it is left out. options: TypeChoice::OptionIndex().
    void SetResults(std::vector<ScanRecord> records, const TypeOptionIndex& options, bool otherFilesSelected);
    // A new scan starts: results and checks dropped.
    void Clear();

    uint32_t ResultSet() const { return resultSet_; }
    const std::vector<ScanRecord>& Records() const { return records_; }
    const std::vector<TypeNode>& Types() const { return types_; }
    const std::array<GroupNode, kTypeGroupCount>& Groups() const { return groups_; }
    // "%s (%d)": the group's name (text of kGroupNodeKeys) and its file count.
    std::wstring GroupText(size_t group, const std::wstring& groupName) const;
    // Files in the tree (the results page's found count).
    size_t FileCount() const;

    // ---- "FileList" ----
    size_t PageCount(size_t type, size_t rowsPerPage = kFileListPageRows) const;
    // The rows of page (from 1) of a type's list; empty past the end.
    std::vector<FileRow> PageRows(size_t type, int page, size_t rowsPerPage = kFileListPageRows) const;

    // "headerclick": toggles the header's direction (FileName and Type start ascending, Size and
    // the times descending, Path keeps its own: descending) and sorts the type's whole list.
    // Size sorts by 64-bit size, the times by time (unknown first), the texts ignoring case.
    void SortBy(size_t type, FileColumn column);
    // 1 ascending, -1 descending, 0 never clicked.
    int Direction(FileColumn column) const { return directions_[static_cast<size_t>(column)]; }
    // The image of each header after the last click (kHeaderImage, the clicked one its arrow).
    std::array<std::wstring, kFileColumnCount> HeaderImages() const;

    // ---- checks ----
    bool IsChecked(RecordIndex record) const;
    // "list_check_click"
    void SetRecordChecked(RecordIndex record, bool checked);
    // "ChkAllListSel" or a type node's checkbox.
    void SetTypeChecked(size_t type, bool checked);
    // A group node's checkbox: every file of all its types.
    void SetGroupChecked(size_t group, bool checked);
    // "ChkAllListSel" and a type node's checkbox: all, some or none of its files checked.
    app::CheckState TypeCheckState(size_t type) const;
    app::CheckState GroupCheckState(size_t group) const;

    SelectionSummary Summary() const;
    // checkedFiles for the recovery: key -> record index, in key order.
    std::map<CheckedFileKey, RecordIndex> CheckedFiles() const;
    // The checked records in record order.
    std::vector<RecordIndex> CheckedRecords() const;

private:
    void setChecked(RecordIndex record, bool checked);

    uint32_t resultSet_ = 0;
    std::vector<ScanRecord> records_;
    std::vector<TypeNode> types_;
    std::array<GroupNode, kTypeGroupCount> groups_;
    std::vector<uint32_t> typeOf_;    // record -> its type, kNoType when left out of the tree
    std::vector<bool> checked_;       // record -> checked
    size_t checkedFiles_ = 0;
    uint64_t checkedBytes_ = 0;
    std::array<int, kFileColumnCount> directions_{};
    int lastSorted_ = -1;             // column of the last header click
};

}  // namespace qm
