#include "app/core/found_files_model.h"

#include <algorithm>
#include <compare>
#include <cwchar>
#include <limits>
#include <unordered_map>
#include <utility>

#include "disk/format_text.h"
#include "platform/text.h"
#include "results/type_classification.h"

namespace qm {

namespace {

constexpr uint32_t kNoType = std::numeric_limits<uint32_t>::max();

unsigned char foldByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// The first 16 bytes of a text, case-folded, as two numbers that order like the text: sorting a
// million names compares these and looks at the scattered records only on a tie.
struct FoldedPrefix {
    uint64_t high = 0, low = 0;
    explicit FoldedPrefix(std::string_view text) {
        for (size_t i = 0; i < 16; ++i) {
            const uint64_t byte = i < text.size() ? foldByte(text[i]) : 0u;
            (i < 8 ? high : low) = ((i < 8 ? high : low) << 8) | byte;
        }
    }
    friend auto operator<=>(const FoldedPrefix&, const FoldedPrefix&) = default;
};

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

// An option's text up to the character before its first "(": "Bitmap (.bmp)" -> "Bitmap".
std::wstring optionLabel(const std::wstring& text) {
    const size_t paren = text.find(L'(');
    if (paren == std::wstring::npos) return text;
    return text.substr(0, paren == 0 ? 0 : paren - 1);
}

std::wstring withCount(const std::wstring& label, size_t count) {
    return label + L" (" + std::to_wstring(count) + L")";
}

// The row's type text in the form the type column compares: folded bytes of the extension.
std::string typeSortKey(const ScanRecord& record) {
    if (record.isFolder != 0) return "folder";
    const std::string_view name = nameFieldView(record.name);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return "file";
    std::string key(name.substr(dot + 1));
    for (char& c : key) c = static_cast<char>(foldByte(c));
    return key;
}

app::CheckState stateOf(size_t checked, size_t total) {
    if (checked == 0) return app::CheckState::Unchecked;
    return checked == total ? app::CheckState::Checked : app::CheckState::HalfChecked;
}

}  // namespace

bool FileColumnOfHeader(std::wstring_view header, FileColumn& column) {
    for (size_t i = 0; i < kFileColumnCount; ++i) {
        if (header == kFileListHeaders[i]) {
            column = static_cast<FileColumn>(i);
            return true;
        }
    }
    return false;
}

std::wstring SummaryText(const SelectionSummary& summary, const std::wstring& format) {
    // Filled by hand, not by printf: the format comes from a language file.
    std::wstring text;
    bool sizeDone = false, countDone = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            const wchar_t kind = format[i + 1];
            if (kind == L's' && !sizeDone) {
                text += FormatSize(summary.bytes);
                sizeDone = true;
                ++i;
                continue;
            }
            if (kind == L'd' && !countDone) {
                text += std::to_wstring(summary.files);
                countDone = true;
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

void FoundFilesModel::Clear() {
    ++resultSet_;
    records_.clear();
    records_.shrink_to_fit();
    types_.clear();
    groups_ = {};
    typeOf_.clear();
    typeOf_.shrink_to_fit();
    checked_.clear();
    checked_.shrink_to_fit();
    checkedFiles_ = 0;
    checkedBytes_ = 0;
    lastSorted_ = -1;
}

void FoundFilesModel::SetResults(std::vector<ScanRecord> records, const TypeOptionIndex& options,
                                 bool otherFilesSelected) {
    Clear();
    records_ = std::move(records);
    const size_t count = records_.size();

    // Type name of each record, worked out once per distinct extension text.
    std::unordered_map<std::string, uint32_t> slotOfExtension;
    std::vector<std::wstring> slotType;
    std::vector<uint32_t> slotOf(count);
    std::string extension;
    for (size_t i = 0; i < count; ++i) {
        const std::string_view name = nameFieldView(records_[i].name);
        const size_t dot = name.rfind('.');
        extension.assign(dot == std::string_view::npos ? std::string_view() : name.substr(dot));
        auto [it, added] = slotOfExtension.try_emplace(extension, static_cast<uint32_t>(slotType.size()));
        if (added) slotType.push_back(TypeNameFor(extension));
        slotOf[i] = it->second;
    }

    // One node per type name that has a place in the tree, in type-name order.
    std::map<std::wstring, std::vector<uint32_t>> slotsOfType;
    for (uint32_t slot = 0; slot < slotType.size(); ++slot) slotsOfType[slotType[slot]].push_back(slot);
    std::vector<uint32_t> typeOfSlot(slotType.size(), kNoType);
    for (const auto& [type, slots] : slotsOfType) {
        TypeNode node;
        node.type = type;
        const auto option = options.find(type);
        if (option != options.end() && option->second.group >= 0 &&
            option->second.group < static_cast<int>(kTypeGroupCount)) {
            node.group = option->second.group;
            node.text = optionLabel(option->second.text);
        } else if (otherFilesSelected) {
            node.group = static_cast<int>(kOtherGroup);
            node.text = upperAscii(type) + L" Files";
        } else {
            continue;
        }
        node.icon = IconFor(type, 1);
        for (uint32_t slot : slots) typeOfSlot[slot] = static_cast<uint32_t>(types_.size());
        types_.push_back(std::move(node));
    }

    typeOf_.assign(count, kNoType);
    std::vector<size_t> sizes(types_.size(), 0);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t type = typeOfSlot[slotOf[i]];
        typeOf_[i] = type;
        if (type != kNoType) ++sizes[type];
    }
    for (size_t t = 0; t < types_.size(); ++t) types_[t].records.reserve(sizes[t]);
    for (size_t i = 0; i < count; ++i) {
        if (typeOf_[i] != kNoType) types_[typeOf_[i]].records.push_back(static_cast<RecordIndex>(i));
    }
    for (size_t t = 0; t < types_.size(); ++t) {
        TypeNode& node = types_[t];
        node.text = withCount(node.text, node.records.size());
        GroupNode& group = groups_[static_cast<size_t>(node.group)];
        group.visible = true;
        group.types.push_back(t);
        group.files += node.records.size();
    }
    checked_.assign(count, false);
}

std::wstring FoundFilesModel::GroupText(size_t group, const std::wstring& groupName) const {
    return group < kTypeGroupCount ? withCount(groupName, groups_[group].files) : std::wstring();
}

size_t FoundFilesModel::FileCount() const {
    size_t files = 0;
    for (const GroupNode& group : groups_) files += group.files;
    return files;
}

size_t FoundFilesModel::PageCount(size_t type, size_t rowsPerPage) const {
    if (type >= types_.size() || rowsPerPage == 0) return 0;
    return (types_[type].records.size() + rowsPerPage - 1) / rowsPerPage;
}

std::vector<FileRow> FoundFilesModel::PageRows(size_t type, int page, size_t rowsPerPage) const {
    std::vector<FileRow> rows;
    if (type >= types_.size() || page < 1 || rowsPerPage == 0) return rows;
    const std::vector<RecordIndex>& list = types_[type].records;
    const size_t first = static_cast<size_t>(page - 1) * rowsPerPage;
    if (first >= list.size()) return rows;
    const size_t last = std::min(list.size(), first + rowsPerPage);
    rows.reserve(last - first);
    for (size_t i = first; i < last; ++i) {
        const ScanRecord& record = records_[list[i]];
        FileRow row;
        row.record = list[i];
        row.checked = checked_[list[i]];
        row.checkImage = row.checked ? kRowCheckedImage : kRowCheckImage;
        const bool folder = record.isFolder != 0;
        const std::wstring typeText = RowTypeText(record);
        row.icon = IconFor(typeText, record.condition);
        row.columns[0] = platform::fromAnsi(recordName(record));
        row.columns[1] = folder ? std::wstring() : FormatSize(record.size);
        row.columns[2] = FormatFileTime(record.modified);
        row.columns[3] = FormatFileTime(record.created);
        row.columns[4] = kNoTimeText;
        row.columns[5] = typeText;
        rows.push_back(std::move(row));
    }
    return rows;
}

void FoundFilesModel::SortBy(size_t type, FileColumn column) {
    const auto index = static_cast<size_t>(column);
    int& direction = directions_[index];
    if (column == FileColumn::Path) {
        if (direction == 0) direction = -1;  // keeps its direction: every row reads the same
    } else if (direction == 0) {
        direction = (column == FileColumn::FileName || column == FileColumn::Type) ? 1 : -1;
    } else {
        direction = -direction;
    }
    lastSorted_ = static_cast<int>(index);
    if (type >= types_.size() || column == FileColumn::Path) return;

    std::vector<RecordIndex>& list = types_[type].records;
    const bool descending = direction < 0;
    // Sort (key, record) pairs: the records themselves are large and scattered.
    auto sortByNumber = [&](auto keyOf) {
        std::vector<std::pair<uint64_t, RecordIndex>> keyed;
        keyed.reserve(list.size());
        for (RecordIndex r : list) keyed.emplace_back(keyOf(records_[r]), r);
        if (descending) {
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
        } else {
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        }
        for (size_t i = 0; i < list.size(); ++i) list[i] = keyed[i].second;
    };
    switch (column) {
        case FileColumn::Size: sortByNumber([](const ScanRecord& r) { return r.size; }); return;
        // Times by their value: their texts ("2024-2-3") would not sort by date.
        case FileColumn::ModifiedTime: sortByNumber([](const ScanRecord& r) { return r.modified; }); return;
        case FileColumn::CreatedTime: sortByNumber([](const ScanRecord& r) { return r.created; }); return;
        case FileColumn::FileName: {
            std::vector<std::pair<FoldedPrefix, RecordIndex>> keyed;
            keyed.reserve(list.size());
            for (RecordIndex r : list) keyed.emplace_back(FoldedPrefix(nameFieldView(records_[r].name)), r);
            auto less = [this](const auto& a, const auto& b) {
                if (a.first != b.first) return a.first < b.first;
                return compareNamesIgnoreCase(nameFieldView(records_[a.second].name),
                                              nameFieldView(records_[b.second].name)) < 0;
            };
            if (descending) {
                std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) { return less(b, a); });
            } else {
                std::stable_sort(keyed.begin(), keyed.end(), less);
            }
            for (size_t i = 0; i < list.size(); ++i) list[i] = keyed[i].second;
            return;
        }
        case FileColumn::Type: {
            std::vector<std::pair<std::string, RecordIndex>> keyed;
            keyed.reserve(list.size());
            for (RecordIndex r : list) keyed.emplace_back(typeSortKey(records_[r]), r);
            if (descending) {
                std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
            } else {
                std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
            }
            for (size_t i = 0; i < list.size(); ++i) list[i] = keyed[i].second;
            return;
        }
        case FileColumn::Path: return;
    }
}

std::array<std::wstring, kFileColumnCount> FoundFilesModel::HeaderImages() const {
    std::array<std::wstring, kFileColumnCount> images;
    images.fill(kHeaderImage);
    if (lastSorted_ >= 0) {
        const auto index = static_cast<size_t>(lastSorted_);
        images[index] = directions_[index] > 0 ? kHeaderAscendingImage : kHeaderDescendingImage;
    }
    return images;
}

bool FoundFilesModel::IsChecked(RecordIndex record) const {
    return record < checked_.size() && checked_[record];
}

void FoundFilesModel::setChecked(RecordIndex record, bool checked) {
    if (record >= checked_.size() || typeOf_[record] == kNoType || checked_[record] == checked) return;
    checked_[record] = checked;
    TypeNode& type = types_[typeOf_[record]];
    GroupNode& group = groups_[static_cast<size_t>(type.group)];
    const uint64_t bytes = records_[record].size;
    if (checked) {
        ++checkedFiles_, ++type.checked, ++group.checked;
        checkedBytes_ += bytes;
    } else {
        --checkedFiles_, --type.checked, --group.checked;
        checkedBytes_ -= bytes;
    }
}

void FoundFilesModel::SetRecordChecked(RecordIndex record, bool checked) { setChecked(record, checked); }

void FoundFilesModel::SetTypeChecked(size_t type, bool checked) {
    if (type >= types_.size()) return;
    for (RecordIndex record : types_[type].records) setChecked(record, checked);
}

void FoundFilesModel::SetGroupChecked(size_t group, bool checked) {
    if (group >= kTypeGroupCount) return;
    for (size_t type : groups_[group].types) SetTypeChecked(type, checked);
}

app::CheckState FoundFilesModel::TypeCheckState(size_t type) const {
    if (type >= types_.size()) return app::CheckState::Unchecked;
    return stateOf(types_[type].checked, types_[type].records.size());
}

app::CheckState FoundFilesModel::GroupCheckState(size_t group) const {
    if (group >= kTypeGroupCount) return app::CheckState::Unchecked;
    return stateOf(groups_[group].checked, groups_[group].files);
}

SelectionSummary FoundFilesModel::Summary() const {
    SelectionSummary summary;
    summary.files = checkedFiles_;
    summary.bytes = checkedBytes_;
    summary.recoverEnabled = checkedFiles_ > 0;
    summary.messageKey = checkedFiles_ > 0 ? L"MSG0804" : L"MSG0803";
    return summary;
}

std::map<CheckedFileKey, RecordIndex> FoundFilesModel::CheckedFiles() const {
    std::map<CheckedFileKey, RecordIndex> files;
    for (RecordIndex r : CheckedRecords()) {
        const ScanRecord& record = records_[r];
        const uint32_t source = (static_cast<uint32_t>(record.driveLetter) << 16) |
                                (static_cast<uint32_t>(record.sourceKind) & 0xFFFFu);
        files.emplace(CheckedFileKey{resultSet_, record.recordNo, source}, r);
    }
    return files;
}

std::vector<RecordIndex> FoundFilesModel::CheckedRecords() const {
    std::vector<RecordIndex> records;
    records.reserve(checkedFiles_);
    for (size_t i = 0; i < checked_.size(); ++i) {
        if (checked_[i]) records.push_back(static_cast<RecordIndex>(i));
    }
    return records;
}

}  // namespace qm
