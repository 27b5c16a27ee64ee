#include "app/core/wizard_state.h"

namespace qm {

namespace {

void goTo(WizardState& state, WizardEffect& effect, int page) {
    effect.pageChanged = state.page != page;
    state.page = page;
    effect.selectTab = TabOfPage(page);
}

// The mode buttons and "BtnStart": choose the mode, then the medium page.
void startMode(WizardState& state, WizardEffect& effect, int scanMode, bool imageCreation) {
    state.scanMode = scanMode;
    state.imageCreationMode = imageCreation;
    effect.imageEntries = imageCreation ? ImageEntries::Hide : ImageEntries::Show;
    goTo(state, effect, kPageChooseMedium);
}

}  // namespace

std::wstring TabOfPage(int page) {
    switch (page) {
        case kPageChooseMedium: return L"TabScan";
        case kPageFineTypes: return L"TabFileType";
        case kPageResults: return L"TabRecover";
        default: return {};
    }
}

WizardEffect OnWizardControl(WizardState& state, std::wstring_view control, bool scanButtonEnabled) {
    WizardEffect effect;
    effect.handled = true;
    if (control == L"BtnStart" || control == L"BtnFormattedRecovery" || control == L"BtnDeepRecovery") {
        startMode(state, effect, kScanModeDeep, false);
    } else if (control == L"BtnDeletedRecovery") {
        startMode(state, effect, kScanModeFast, false);
    } else if (control == L"BtnCreateImageMode") {
        startMode(state, effect, state.scanMode, true);
    } else if (control == L"BtnNext") {
        if (state.page == kPageChooseTypes) {
            goTo(state, effect, kPageChooseMedium);
        } else if (state.page == kPageChooseMedium) {
            effect.askForMedium = !scanButtonEnabled;  // the scan is the way on from here
        } else if (state.page == kPageFineTypes) {
            goTo(state, effect, kPageResults);
        }
    } else if (control == L"BtnPrev") {
        if (state.page == kPageChooseMedium) {
            goTo(state, effect, kPageChooseTypes);
        } else if (state.page == kPageFineTypes) {
            goTo(state, effect, kPageChooseMedium);
        } else if (state.page == kPageResults && !state.scanFromFileTypePage) {
            goTo(state, effect, kPageChooseMedium);
        }
    } else if (control == L"TabScan") {
        goTo(state, effect, kPageChooseMedium);
    } else if (control == L"TabFileType") {
        goTo(state, effect, kPageFineTypes);
    } else if (control == L"TabRecover") {
        goTo(state, effect, kPageResults);
    } else {
        effect.handled = false;
    }
    return effect;
}

std::wstring OnScanRequested(WizardState& state, bool listHasCurrentEntry) {
    if (!state.mediumSelected || !listHasCurrentEntry) return L"MSG0505";
    state.scanFromFileTypePage = state.page == kPageFineTypes;
    return {};
}

WizardEffect OnSearchFinished(WizardState& state) {
    WizardEffect effect;
    effect.handled = true;
    goTo(state, effect, kPageResults);
    return effect;
}

std::wstring HoverTextKey(std::wstring_view control) {
    if (control == L"BtnDeletedRecovery") return L"MSG0101";
    if (control == L"BtnFormattedRecovery") return L"MSG0102";
    if (control == L"BtnDeepRecovery") return L"MSG0103";
    if (control == L"BtnCreateImageMode") return L"MSG0104";
    return {};
}

PageView PageViewOf(const WizardState& state) {
    PageView view;
    auto set = [&view](const wchar_t* control, bool visible) { view.visibility.push_back({control, visible}); };
    const bool banner = state.page != kPageChooseTypes;
    for (const wchar_t* control : {L"ToolBar2", L"ToolBar3", L"ToolBtn", L"Txt1", L"Txt2"}) set(control, banner);
    set(L"SubBar1", !banner);
    set(L"SubBar2", banner);

    switch (state.page) {
        case kPageChooseMedium: {
            const bool scanning = !state.imageCreationMode;
            set(L"BtnScan", scanning);
            set(L"TabRecover", scanning);
            set(L"BtnRecover", false);
            set(L"SelectedFileInfo", false);
            view.bannerImage = L"file='banner_bg.png' corner='0,0,0,70'";
            view.logoImage = L"file='scan_files.png' dest='15,5,65,55'";
            view.txt1Color = L"#FF0089BE";
            if (scanning) {
                view.tabScanIcon = L"file='btn_scan.png' dest='49,5,81,37'";
                view.tabScanKey = L"MSG0211";
                view.txt1Key = L"MSG0212";
                view.txt2Key = L"MSG0213";
            } else {
                view.tabScanIcon = L"file='btn_create_image.png' dest='49,5,77,37'";
                view.tabScanKey = L"MSG0503";
                view.txt1Key = L"MSG0501";
                view.txt2Key = L"MSG0502";
            }
            break;
        }
        case kPageFineTypes:
            set(L"BtnScan", true);
            set(L"BtnRecover", false);
            set(L"SelectedFileInfo", false);
            view.bannerImage = L"file='banner_bg2.png' corner='0,0,0,70'";
            view.logoImage = L"file='advance_scan.png' dest='15,5,65,55'";
            view.txt1Color = L"#FFE47100";
            view.txt1Key = L"MSG0601";
            view.txt2Key = L"MSG0602";
            break;
        case kPageResults:
            set(L"BtnScan", false);
            set(L"BtnRecover", true);
            set(L"SelectedFileInfo", true);
            view.bannerImage = L"file='banner_bg1.png' corner='0,0,0,70'";
            view.logoImage = L"file='recover_file.png' dest='15,5,65,55'";
            view.txt1Color = L"#FF316D1E";
            view.txt1Key = L"MSG0801";
            view.txt2Key = L"MSG0802";
            view.txt2TakesFoundCount = true;
            break;
        default: break;
    }
    return view;
}

std::wstring FoundCountText(const std::wstring& format, size_t foundFiles) {
    const std::wstring count = L"{f 7}{c #316D1E}" + std::to_wstring(foundFiles) + L"{/c}{/f}";
    std::wstring text = format;
    const size_t at = text.find(L"%s");
    if (at != std::wstring::npos) text.replace(at, 2, count);
    return text;
}

}  // namespace qm
