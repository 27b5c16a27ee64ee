// The main window's four-page wizard: where each button and tab leads, and what each page
// shows. The window keeps one WizardState, feeds it the controls' notifications by name and
// applies the returned effects and page view to its controls; it decides nothing itself.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Pages of "TabPage".
inline constexpr int kPageChooseTypes = 0;   // page-0 group checkboxes, "BtnStart"
inline constexpr int kPageChooseMedium = 1;  // "DiskList", details, "BtnScan"
inline constexpr int kPageFineTypes = 2;     // the six option groups
inline constexpr int kPageResults = 3;       // "TypeTree", "FileList", "BtnRecover"

inline constexpr int kScanModeFast = 0;  // the file system's own records (deleted files)
inline constexpr int kScanModeDeep = 1;  // every sector

// Shown by "BtnNext" on the medium page while no scan can start (fixed text, no MSG key).
inline constexpr wchar_t kSelectMediumText[] = L"Please select disk media for next step!";

struct WizardState {
    int page = kPageChooseTypes;
    int scanMode = kScanModeDeep;
    bool imageCreationMode = false;     // the medium page creates an image instead of scanning
    bool mediumSelected = false;        // a partition or image entry was selected at least once
    bool scanFromFileTypePage = false;  // the last scan started while page 2 showed
};

// The image entries of the media list after a transition.
enum class ImageEntries { Keep, Show, Hide };

// What the window does after a notification, besides applying PageViewOf(state).
struct WizardEffect {
    bool handled = false;        // the control is one the wizard knows
    bool pageChanged = false;    // select state.page in "TabPage" and apply PageViewOf(state)
    std::wstring selectTab;      // tab option to select so the tab bar follows ("TabScan", ...); empty: none
    ImageEntries imageEntries = ImageEntries::Keep;
    bool askForMedium = false;   // show the Information box kSelectMediumText (width 400)
};

// A "click" on a button or a "selectchanged" on a tab option: "BtnStart", "BtnDeletedRecovery",
// "BtnFormattedRecovery", "BtnDeepRecovery", "BtnCreateImageMode", "BtnNext", "BtnPrev",
// "TabScan", "TabFileType", "TabRecover". scanButtonEnabled: whether "BtnScan" is enabled now
// (decides the box of "BtnNext" on page 1). Other names: handled = false, state untouched.
WizardEffect OnWizardControl(WizardState& state, std::wstring_view control, bool scanButtonEnabled);

// "BtnScan" (or a double click on a partition or image entry): the MSG key of the box to show
// instead of scanning ("MSG0505" when no medium was selected or the list has no current entry),
// or empty when the scan may start; then scanFromFileTypePage records whether page 2 showed.
std::wstring OnScanRequested(WizardState& state, bool listHasCurrentEntry);

// The search after a scan (finished or cancelled) has built the type tree: page 3, "TabRecover"
// (the window also enables it).
WizardEffect OnSearchFinished(WizardState& state);

// "onhot" over a mode button: the MSG key "TxtMainInfo" shows, or empty for other controls.
std::wstring HoverTextKey(std::wstring_view control);

// The tab option of a page: "TabScan", "TabFileType", "TabRecover"; empty for page 0.
std::wstring TabOfPage(int page);

struct ControlVisibility {
    std::wstring control;
    bool visible = false;
};

// What a page shows. Controls not listed keep their visibility; empty texts and keys mean
// "leave as it is".
struct PageView {
    std::vector<ControlVisibility> visibility;  // of "ToolBar2", "ToolBar3", "ToolBtn", "Txt1", "Txt2",
                                                // "SubBar1", "SubBar2", "BtnScan", "BtnRecover",
                                                // "SelectedFileInfo", "TabRecover"
    std::wstring bannerImage;  // "ToolBar2" background image
    std::wstring logoImage;    // "ToolBar2Logo" background image
    std::wstring txt1Color;    // "Txt1" text colour, "#FF0089BE"
    std::wstring tabScanKey;   // MSG key of the "TabScan" text
    std::wstring tabScanIcon;  // "TabScan" foreground image
    std::wstring txt1Key;      // MSG keys of "Txt1" and "Txt2"
    std::wstring txt2Key;
    bool txt2TakesFoundCount = false;  // "Txt2" = FoundCountText(text of txt2Key, found files)
};

PageView PageViewOf(const WizardState& state);

// The results page's "Txt2": the first "%s" of format replaced by the count in green markup.
std::wstring FoundCountText(const std::wstring& format, size_t foundFiles);

}  // namespace qm
