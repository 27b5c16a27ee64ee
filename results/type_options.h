// The type-selection vocabulary: the groups and options a user ticks to choose which kinds of
// files a search lists, and the set of extensions those ticks select. Shared by the GUI's
// "FileType" page and the command line.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct TypeOption {
    std::wstring text;      // "JPG/JPEG (.jpg .jpeg)"
    std::wstring userdata;  // "jpg|jpeg": the extensions the option selects
};

struct TypeGroup {
    std::wstring name;   // "FileTypePhoto"
    std::wstring title;  // "Photo File Type"
    std::vector<TypeOption> options;
};

// The six groups in page order: photo, audio, video, office, archive, other.
const std::vector<TypeGroup>& TypeGroups();
// The hint shown on the type page.
extern const wchar_t* const kFileTypeHint;

// The parts of a userdata text ("mid|midi"), empty parts dropped.
std::vector<std::wstring> SplitUserdata(std::wstring_view userdata);

// Whatever identifies an option to its owner: a GUI control, or the TypeOption itself.
using TypeOptionId = const void*;

// Extensions chosen by ticked options, in key order, each mapped to an option that chose it.
// Several options may carry the same extension (rm is audio and video); an extension stays
// selected while any ticked option still carries it.
class SelectedExtensions {
public:
    void tick(TypeOptionId option, std::wstring_view userdata);
    void untick(TypeOptionId option);
    void clear();

    bool empty() const { return byExtension_.empty(); }
    bool contains(const std::wstring& extension) const { return byExtension_.count(extension) != 0; }
    const std::map<std::wstring, TypeOptionId>& extensions() const { return byExtension_; }

private:
    std::map<std::wstring, TypeOptionId> byExtension_;
    std::map<TypeOptionId, std::vector<std::wstring>> ticked_;
};

// Ticks every option of a group, each identified by its own TypeOption.
void TickGroup(SelectedExtensions& selection, const TypeGroup& group);

}  // namespace qm
