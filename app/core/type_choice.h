// The main window's choice of file types: the six page-0 group checkboxes with their master
// tri-state box, the options of the six page-2 groups, and the choice table (extension -> the
// option that chose it) from which the search pattern and the type tree are built.
#pragma once
#include <array>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/tree_check_model.h"
#include "results/type_options.h"

namespace qm {

inline constexpr size_t kTypeGroupCount = 6;
// Page-0 checkboxes, in the order of their page-2 groups below.
inline constexpr std::array<const wchar_t*, kTypeGroupCount> kGroupCheckboxes = {
    L"ChkPhoto", L"ChkMusic", L"ChkVideo", L"ChkOffice", L"ChkArchive", L"ChkOther"};
inline constexpr std::array<const wchar_t*, kTypeGroupCount> kFileTypeGroups = {
    L"FileTypePhoto", L"FileTypeAudio", L"FileTypeVideo", L"FileTypeOffice", L"FileTypeZip", L"FileTypeOther"};
inline constexpr wchar_t kMasterCheckbox[] = L"ChkRecoverAll";

// Index 0..5 of a page-0 checkbox or of a page-2 group name; -1 for any other name.
int GroupIndexOfCheckbox(std::wstring_view checkbox);
int GroupIndexOfFileTypeGroup(std::wstring_view groupName);

// One option of a page-2 group as the window sees it.
struct ChoiceOption {
    TypeOptionId id = nullptr;  // the option control (or the TypeOption in tests)
    std::wstring text;          // "JPG/JPEG (.jpg .jpeg)"
    std::wstring userdata;      // "jpg|jpeg"
};

// The options of the six groups, in kFileTypeGroups order.
using ChoiceGroups = std::array<std::vector<ChoiceOption>, kTypeGroupCount>;

// The built-in vocabulary (results/type_options.h) as choice groups, each option identified by
// its TypeOption: what the skin's page 2 carries.
ChoiceGroups DefaultChoiceGroups();

// The option a type of the type tree belongs to.
struct TypeOptionRef {
    int group = -1;       // 0..5
    TypeOptionId id = nullptr;
    std::wstring text;    // the option's display text
};
// Extension (lower case, as in userdata) -> option.
using TypeOptionIndex = std::map<std::wstring, TypeOptionRef>;

class TypeChoice {
public:
    // "windowinit": takes the page-2 options, clears the table and adds the extensions of every
    // option; all six groups count as checked.
    void Reset(ChoiceGroups groups);

    // A page-0 group checkbox changed: ticks or unticks every option of its group. Returns the
    // group's index (the window then ticks those options on page 2), -1 for an unknown name.
    int SetGroupChecked(std::wstring_view checkbox, bool checked);
    // "ChkRecoverAll" changed: applies its state to all six groups.
    void SetAllChecked(bool checked);
    // One page-2 option ticked or unticked.
    void SetOptionChecked(TypeOptionId option, bool checked);

    bool IsGroupChecked(int group) const;
    // "ChkRecoverAll": Checked when all six groups are, HalfChecked when some are, else Unchecked.
    app::CheckState MasterState() const;
    // "BtnStart" is enabled while any of the six groups is checked.
    bool StartEnabled() const;

    const SelectedExtensions& Table() const { return table_; }
    const ChoiceGroups& Groups() const { return groups_; }
    // The pattern for ListByType built from the table.
    std::wstring SearchPattern() const;
    // Every extension of every option -> its option: a ticked option wins over an unticked one,
    // then the first in page order (rm is audio and video).
    TypeOptionIndex OptionIndex() const;

private:
    ChoiceGroups groups_;
    std::array<bool, kTypeGroupCount> groupChecked_{};
    SelectedExtensions table_;
    std::set<TypeOptionId> ticked_;
};

}  // namespace qm
