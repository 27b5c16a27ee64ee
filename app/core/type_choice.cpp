#include "app/core/type_choice.h"

#include "results/type_classification.h"

namespace qm {

namespace {

template <size_t N>
int indexIn(const std::array<const wchar_t*, N>& names, std::wstring_view name) {
    for (size_t i = 0; i < N; ++i) {
        if (name == names[i]) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int GroupIndexOfCheckbox(std::wstring_view checkbox) { return indexIn(kGroupCheckboxes, checkbox); }
int GroupIndexOfFileTypeGroup(std::wstring_view groupName) { return indexIn(kFileTypeGroups, groupName); }

ChoiceGroups DefaultChoiceGroups() {
    ChoiceGroups groups;
    for (const TypeGroup& group : TypeGroups()) {
        const int index = GroupIndexOfFileTypeGroup(group.name);
        if (index < 0) continue;
        for (const TypeOption& option : group.options) {
            groups[static_cast<size_t>(index)].push_back({&option, option.text, option.userdata});
        }
    }
    return groups;
}

void TypeChoice::Reset(ChoiceGroups groups) {
    groups_ = std::move(groups);
    table_.clear();
    ticked_.clear();
    for (const auto& group : groups_) {
        for (const ChoiceOption& option : group) SetOptionChecked(option.id, true);
    }
    groupChecked_.fill(true);
}

int TypeChoice::SetGroupChecked(std::wstring_view checkbox, bool checked) {
    const int group = GroupIndexOfCheckbox(checkbox);
    if (group < 0) return -1;
    groupChecked_[static_cast<size_t>(group)] = checked;
    for (const ChoiceOption& option : groups_[static_cast<size_t>(group)]) SetOptionChecked(option.id, checked);
    return group;
}

void TypeChoice::SetAllChecked(bool checked) {
    for (const wchar_t* checkbox : kGroupCheckboxes) SetGroupChecked(checkbox, checked);
}

void TypeChoice::SetOptionChecked(TypeOptionId option, bool checked) {
    if (!checked) {
        table_.untick(option);
        ticked_.erase(option);
        return;
    }
    for (const auto& group : groups_) {
        for (const ChoiceOption& candidate : group) {
            if (candidate.id == option) {
                table_.tick(option, candidate.userdata);
                ticked_.insert(option);
                return;
            }
        }
    }
}

bool TypeChoice::IsGroupChecked(int group) const {
    return group >= 0 && group < static_cast<int>(kTypeGroupCount) && groupChecked_[static_cast<size_t>(group)];
}

app::CheckState TypeChoice::MasterState() const {
    size_t checked = 0;
    for (bool groupChecked : groupChecked_) checked += groupChecked ? 1 : 0;
    if (checked == 0) return app::CheckState::Unchecked;
    return checked == kTypeGroupCount ? app::CheckState::Checked : app::CheckState::HalfChecked;
}

bool TypeChoice::StartEnabled() const { return MasterState() != app::CheckState::Unchecked; }

std::wstring TypeChoice::SearchPattern() const { return BuildTypePattern(table_); }

TypeOptionIndex TypeChoice::OptionIndex() const {
    TypeOptionIndex index;
    for (size_t group = 0; group < kTypeGroupCount; ++group) {
        for (const ChoiceOption& option : groups_[group]) {
            for (const std::wstring& extension : SplitUserdata(LowerAscii(option.userdata))) {
                const TypeOptionRef ref{static_cast<int>(group), option.id, option.text};
                auto [it, added] = index.try_emplace(extension, ref);
                if (!added && ticked_.count(option.id) != 0 && ticked_.count(it->second.id) == 0) it->second = ref;
            }
        }
    }
    return index;
}

}  // namespace qm
