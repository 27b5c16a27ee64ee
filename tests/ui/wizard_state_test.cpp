#include <gtest/gtest.h>

#include <string>

#include "app/core/wizard_state.h"

namespace qm {
namespace {

struct Step {
    int page;
    const wchar_t* control;
    bool scanEnabled;
    int pageAfter;
    bool asksForMedium;
};

TEST(WizardState, EveryButtonAndTabOnEveryPage) {
    const Step steps[] = {
        {0, L"BtnStart", false, 1, false},        {2, L"BtnStart", false, 1, false},
        {3, L"BtnDeletedRecovery", false, 1, false}, {0, L"BtnFormattedRecovery", false, 1, false},
        {0, L"BtnDeepRecovery", false, 1, false}, {3, L"BtnCreateImageMode", false, 1, false},
        {0, L"BtnNext", false, 1, false},         {1, L"BtnNext", false, 1, true},
        {1, L"BtnNext", true, 1, false},          {2, L"BtnNext", false, 3, false},
        {3, L"BtnNext", false, 3, false},         {0, L"BtnPrev", false, 0, false},
        {1, L"BtnPrev", false, 0, false},         {2, L"BtnPrev", false, 1, false},
        {3, L"BtnPrev", false, 1, false},         {0, L"TabScan", false, 1, false},
        {1, L"TabFileType", false, 2, false},     {1, L"TabRecover", false, 3, false},
    };
    for (const Step& step : steps) {
        WizardState state;
        state.page = step.page;
        const WizardEffect effect = OnWizardControl(state, step.control, step.scanEnabled);
        SCOPED_TRACE(std::wstring(step.control) + L" on page " + std::to_wstring(step.page));
        EXPECT_TRUE(effect.handled);
        EXPECT_EQ(step.pageAfter, state.page);
        EXPECT_EQ(step.pageAfter != step.page, effect.pageChanged);
        EXPECT_EQ(step.asksForMedium, effect.askForMedium);
        if (effect.pageChanged) {
            EXPECT_EQ(TabOfPage(step.pageAfter), effect.selectTab);
        }
    }
    WizardState state;
    EXPECT_FALSE(OnWizardControl(state, L"BtnAdvanceScan", true).handled);
}

TEST(WizardState, ModeButtonsSetTheModeAndTheImageEntries) {
    WizardState state;
    EXPECT_EQ(ImageEntries::Show, OnWizardControl(state, L"BtnDeletedRecovery", false).imageEntries);
    EXPECT_EQ(kScanModeFast, state.scanMode);
    EXPECT_EQ(ImageEntries::Hide, OnWizardControl(state, L"BtnCreateImageMode", false).imageEntries);
    EXPECT_TRUE(state.imageCreationMode);
    OnWizardControl(state, L"BtnStart", false);
    EXPECT_EQ(kScanModeDeep, state.scanMode);
    EXPECT_FALSE(state.imageCreationMode);
}

TEST(WizardState, PrevFromResultsStaysWhenTheScanStartedOnTheTypePage) {
    WizardState state;
    state.page = kPageFineTypes;
    EXPECT_EQ(L"MSG0505", OnScanRequested(state, true));  // nothing selected yet
    state.mediumSelected = true;
    EXPECT_EQ(L"MSG0505", OnScanRequested(state, false));
    EXPECT_EQ(L"", OnScanRequested(state, true));
    EXPECT_TRUE(OnSearchFinished(state).pageChanged);
    EXPECT_EQ(kPageResults, state.page);
    EXPECT_FALSE(OnWizardControl(state, L"BtnPrev", false).pageChanged);
    EXPECT_EQ(kPageResults, state.page);

    state.page = kPageChooseMedium;
    OnScanRequested(state, true);
    OnSearchFinished(state);
    OnWizardControl(state, L"BtnPrev", false);
    EXPECT_EQ(kPageChooseMedium, state.page);
}

bool visible(const PageView& view, const std::wstring& control) {
    for (const ControlVisibility& v : view.visibility) {
        if (v.control == control) return v.visible;
    }
    ADD_FAILURE() << "page view does not set the control";
    return false;
}

TEST(WizardState, PageViewsFollowThePageAndTheMode) {
    WizardState state;
    PageView view = PageViewOf(state);
    EXPECT_FALSE(visible(view, L"ToolBar2"));
    EXPECT_TRUE(visible(view, L"SubBar1"));
    EXPECT_TRUE(view.bannerImage.empty());

    state.page = kPageChooseMedium;
    view = PageViewOf(state);
    EXPECT_TRUE(visible(view, L"BtnScan"));
    EXPECT_EQ(L"MSG0211", view.tabScanKey);
    state.imageCreationMode = true;
    view = PageViewOf(state);
    EXPECT_FALSE(visible(view, L"BtnScan"));
    EXPECT_FALSE(visible(view, L"TabRecover"));
    EXPECT_EQ(L"MSG0503", view.tabScanKey);

    state.page = kPageResults;
    view = PageViewOf(state);
    EXPECT_TRUE(visible(view, L"BtnRecover"));
    EXPECT_FALSE(visible(view, L"BtnScan"));
    EXPECT_TRUE(view.txt2TakesFoundCount);
    EXPECT_EQ(L"{f 7}{c #316D1E}42{/c}{/f} files found.", FoundCountText(L"%s files found.", 42));
}

TEST(WizardState, HoverTextsOfTheModeButtons) {
    EXPECT_EQ(L"MSG0101", HoverTextKey(L"BtnDeletedRecovery"));
    EXPECT_EQ(L"MSG0104", HoverTextKey(L"BtnCreateImageMode"));
    EXPECT_EQ(L"", HoverTextKey(L"BtnStart"));
}

}  // namespace
}  // namespace qm
