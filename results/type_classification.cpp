#include "results/type_classification.h"

#include <cwchar>

#include "platform/text.h"
#include "results/file_time.h"
#include "results/file_type_lists.h"

namespace qm {

namespace {

constexpr const wchar_t* kIconFolder = L"FileIcon\\";

bool listContains(const wchar_t* list, const std::wstring& text) {
    return ListHasExtension(std::wstring_view(list), std::wstring_view(text));
}

// Types that the type view shows under one name.
const wchar_t* aliasOf(const std::wstring& type) {
    static const std::pair<const wchar_t*, const wchar_t*> kAliases[] = {
        {L"jpeg", L"jpg"}, {L"tiff", L"tif"}, {L"scr", L"pcx"},  {L"midi", L"mid"}, {L"m4p", L"m4a"},
        {L"docx", L"doc"}, {L"xlsx", L"xls"}, {L"pptx", L"ppt"}, {L"htm", L"html"},
    };
    for (const auto& [from, to] : kAliases) {
        if (type == from) return to;
    }
    return nullptr;
}

}  // namespace

std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

std::wstring ExtensionOf(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    return std::wstring(name.substr(dot + 1));
}

std::string RecordNameText(const char* name, size_t capacity) {
    size_t length = 0;
    while (length < capacity && name[length] != '\0') ++length;
    return std::string(name, length);
}

std::wstring BuildTypePattern(const std::vector<std::wstring>& extensions) {
    std::wstring pattern;
    for (const std::wstring& extension : extensions) {
        if (extension.empty()) continue;
        if (!pattern.empty()) pattern += L'|';
        pattern += L"*." + LowerAscii(extension);
    }
    if (!pattern.empty()) return pattern;
    for (const wchar_t* list : {kPhotoList, kAudioList, kVideoList, kDocumentList, kArchiveList}) {
        if (!pattern.empty()) pattern += L'|';
        pattern += list;
    }
    return pattern;
}

std::wstring BuildTypePattern(const SelectedExtensions& selection) {
    std::vector<std::wstring> extensions;
    for (const auto& entry : selection.extensions()) extensions.push_back(entry.first);
    return BuildTypePattern(extensions);
}

std::wstring TypeNameFor(std::wstring_view name) {
    const std::wstring type = LowerAscii(ExtensionOf(name));
    if (type.empty()) return L"unknow";
    if (const wchar_t* alias = aliasOf(type)) return alias;
    return type;
}

std::wstring TypeNameFor(const std::string& ansiName) {
    return TypeNameFor(std::wstring_view(platform::fromAnsi(ansiName)));
}

std::map<std::wstring, std::vector<size_t>> GroupByType(const std::vector<std::string>& ansiNames) {
    std::map<std::wstring, std::vector<size_t>> groups;
    for (size_t i = 0; i < ansiNames.size(); ++i) groups[TypeNameFor(ansiNames[i])].push_back(i);
    return groups;
}

std::wstring IconFor(const std::wstring& typeText, int condition) {
    const std::wstring type = LowerAscii(typeText);
    if (type == L"folder") return std::wstring(kIconFolder) + L"folder.png";
    const wchar_t* icon = L"default";
    if (type == L"exe") {
        icon = L"exe";
    } else if (!type.empty()) {
        // Audio is tried before video, so rm shows as music.
        static const std::pair<const wchar_t*, const wchar_t*> kIcons[] = {
            {kPhotoList, L"image"}, {kAudioList, L"music"},  {kDocumentList, L"doc"},
            {kVideoList, L"video"}, {kArchiveList, L"zip"},
        };
        for (const auto& [list, name] : kIcons) {
            if (listContains(list, type)) {
                icon = name;
                break;
            }
        }
    }
    return std::wstring(kIconFolder) + icon + (condition == 0 ? L"_error.png" : L".png");
}

std::wstring FormatFileTime(uint64_t fileTime) {
    CivilTime t;
    if (!FileTimeToCivil(fileTime, t)) return kNoTimeText;
    wchar_t text[64];
    std::swprintf(text, 64, L"%d-%d-%d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::wstring RowTypeText(const std::string& ansiName, bool isFolder) {
    if (isFolder) return L"folder";
    std::wstring extension = ExtensionOf(platform::fromAnsi(ansiName));
    if (extension.empty()) return L"file";
    return extension;
}

FileGroup GroupOfExtension(const std::wstring& extension) {
    const std::wstring type = LowerAscii(extension);
    if (type.empty()) return FileGroup::Other;
    static const std::pair<const wchar_t*, FileGroup> kGroups[] = {
        {kPhotoList, FileGroup::Photo},       {kAudioList, FileGroup::Audio},
        {kVideoList, FileGroup::Video},       {kDocumentList, FileGroup::Document},
        {kArchiveList, FileGroup::Archive},
    };
    for (const auto& [list, group] : kGroups) {
        if (listContains(list, type)) return group;
    }
    return FileGroup::Other;
}

const wchar_t* GroupFolderName(FileGroup group) {
    switch (group) {
        case FileGroup::Photo: return L"photo";
        case FileGroup::Audio: return L"audio";
        case FileGroup::Video: return L"video";
        case FileGroup::Document: return L"document";
        case FileGroup::Archive: return L"archive";
        case FileGroup::Other: break;
    }
    return L"others";
}

std::wstring GroupFolderFor(const std::string& ansiName, bool isFolder) {
    if (isFolder) return GroupFolderName(FileGroup::Other);
    return GroupFolderName(GroupOfExtension(ExtensionOf(platform::fromAnsi(ansiName))));
}

}  // namespace qm
