// Classification of found files by the extension of their name: type names for the type view,
// icons and type text of list rows, the pattern handed to ListByType, the group folder a
// recovered file goes to, and the time text of list rows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <ranges>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "results/type_options.h"

namespace qm {

// Shown instead of a time that is unknown (0) or cannot be shown.
inline constexpr const wchar_t* kNoTimeText = L"    ----    ";

// A-Z to a-z only, so the result is the same whatever the locale.
std::wstring LowerAscii(std::wstring text);
// The text after the last "." of a name, as it stands; empty without a ".".
std::wstring ExtensionOf(std::wstring_view name);

// A record's NUL-terminated name field, never read past its size.
std::string RecordNameText(const char* name, size_t capacity);

// The pattern for ListByType: "*.jpg|*.png" for the given extensions in their order (lower-cased;
// "other" becomes *.other), or the five group lists (photo, audio, video, document, archive)
// when none is given.
std::wstring BuildTypePattern(const std::vector<std::wstring>& extensions);
std::wstring BuildTypePattern(const SelectedExtensions& selection);

// The type a name is grouped under: its lower-cased extension with aliases applied (jpeg -> jpg,
// tiff -> tif, ...), or "unknow" without one.
std::wstring TypeNameFor(std::wstring_view name);
std::wstring TypeNameFor(const std::string& ansiName);

// Type name -> indices of the names of that type, in list order.
std::map<std::wstring, std::vector<size_t>> GroupByType(const std::vector<std::string>& ansiNames);

// "FileIcon\" + the icon of a row's type text ("folder", or an extension); files take the
// "_error" variant when condition is 0.
std::wstring IconFor(const std::wstring& typeText, int condition);

// "2024-2-3 04:05:06" for a FILETIME (UTC, no zone conversion); kNoTimeText for 0 or for a
// time past the year 9999.
std::wstring FormatFileTime(uint64_t fileTime);

// The type column of a list row: "folder", the name's extension as it stands, or "file".
std::wstring RowTypeText(const std::string& ansiName, bool isFolder);

enum class FileGroup { Photo, Audio, Video, Document, Archive, Other };

// The group whose list contains the extension (substring test, lower-cased first), tried in
// the order photo, audio, video, document, archive; Other when none or when empty.
FileGroup GroupOfExtension(const std::wstring& extension);
// "photo", "audio", "video", "document", "archive", "others".
const wchar_t* GroupFolderName(FileGroup group);
// The type group subfolder a recovered file goes to; folders always go to "others".
std::wstring GroupFolderFor(const std::string& ansiName, bool isFolder);

// ---- The same, straight from records (anything with a char[260] `name`, and `isFolder`). ----

template <class Record>
concept NamedRecord = std::is_same_v<std::remove_cv_t<decltype(Record::name)>, char[260]>;

template <class Record>
concept FolderAwareRecord = NamedRecord<Record> && requires(const Record& record) {
    static_cast<bool>(record.isFolder);
};

template <NamedRecord Record>
std::string RecordNameText(const Record& record) {
    return RecordNameText(record.name, sizeof record.name);
}

// Type name -> pointers to the records of that type, in list order.
template <std::ranges::forward_range Records>
    requires NamedRecord<std::ranges::range_value_t<Records>>
std::map<std::wstring, std::vector<const std::ranges::range_value_t<Records>*>> GroupByType(
    const Records& records) {
    using Record = std::ranges::range_value_t<Records>;
    std::vector<std::string> names;
    std::vector<const Record*> pointers;
    for (const Record& record : records) {
        names.push_back(RecordNameText(record));
        pointers.push_back(&record);
    }
    std::map<std::wstring, std::vector<const Record*>> groups;
    for (const auto& [type, indices] : GroupByType(names)) {
        std::vector<const Record*>& members = groups[type];
        members.reserve(indices.size());
        for (size_t index : indices) members.push_back(pointers[index]);
    }
    return groups;
}

template <FolderAwareRecord Record>
std::wstring RowTypeText(const Record& record) {
    return RowTypeText(RecordNameText(record), record.isFolder != 0);
}

template <FolderAwareRecord Record>
std::wstring GroupFolderFor(const Record& record) {
    return GroupFolderFor(RecordNameText(record), record.isFolder != 0);
}

}  // namespace qm
