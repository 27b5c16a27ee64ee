// The outside picture component beside the program: registered per user at start-up, then wired
// to the gallery's "PreviewEdit" box, which shows a PNG inside its text.
#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/module_folder.h"
#include "app/picture_component.h"
#include "tests/gui/gallery_window.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

std::wstring RegisteredServer() {
    // {C5B3A481-21E3-4CAB-8ABD-3C6A85892AD2}, written under the user's classes.
    const wchar_t* key = L"Software\\Classes\\CLSID\\{C5B3A481-21E3-4CAB-8ABD-3C6A85892AD2}\\InprocServer32";
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return {};
    return value;
}

TEST(PictureComponentTest, RegistrationNeedsTheFileAndItsExport) {
    EXPECT_TRUE(app::RegisterPictureComponent());
    EXPECT_FALSE(RegisteredServer().empty());
    EXPECT_NE(std::wstring::npos, RegisteredServer().find(app::kPictureComponentFile));
    EXPECT_FALSE(app::RegisterPictureComponentAt(app::GetModuleFolder() + L"NoSuchComponent.dll"));
    // A library without the export does not count as registered.
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_FALSE(app::RegisterPictureComponentAt(std::wstring(system) + L"\\version.dll"));
}

TEST(PictureComponentTest, PreviewBoxShowsAPictureThroughTheComponent) {
    ASSERT_TRUE(app::RegisterPictureComponent());
    guitest::GalleryWindow window;
    window.Create(nullptr, L"Gallery", WS_POPUP | WS_VISIBLE, 0, 40, 40, 900, 600);
    ASSERT_TRUE(guitest::PumpUntil([&] { return window.GetPaintManager().IsWindowInitSent(); }));
    window.FindControl<ui::CTabLayoutUI>(L"GalleryTabLayout")->SelectItem(1);
    if (auto* tab = window.FindControl<ui::COptionUI>(L"GalleryTabRich")) tab->Selected(true, false);
    auto* edit = window.FindControl<ui::CRichEditUI>(L"PreviewEdit");
    ASSERT_NE(nullptr, edit);
    ASSERT_NE(nullptr, edit->GetHWND());

    // Without the component the box takes no picture.
    EXPECT_FALSE(app::InsertPictureFile(nullptr, L"x.png"));

    ASSERT_TRUE(app::AttachPictureComponent(window.GetHWND(), edit));

    // The sample picture from the skin archive, as a file.
    auto skin = ui::CSkinSource::FromResource(::GetModuleHandleW(nullptr), 101, L"ZIPRES");
    ASSERT_NE(nullptr, skin);
    std::vector<std::uint8_t> png;
    ASSERT_EQ(0, skin->ReadFile(L"sample.png", png));
    test::TempDir temp;
    const std::wstring picture = temp.file(L"sample.png");
    test::writeWholeFile(picture, png);

    edit->SetText(L"A picture in the text: ");
    ::SendMessageW(edit->GetHWND(), EM_SETSEL, -1, -1);
    EXPECT_TRUE(app::InsertPictureFile(edit, picture));
    EXPECT_FALSE(app::InsertPictureFile(edit, temp.file(L"missing.png")));
    IRichEditOle* ole = edit->GetRichEditOle();
    ASSERT_NE(nullptr, ole);
    EXPECT_EQ(1, ole->GetObjectCount());
    ole->Release();

    window.GetPaintManager().UpdateLayout();
    ::RedrawWindow(window.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    guitest::PumpFor(200);
    guitest::SaveWindowScreenshot(window.GetHWND(), L"app_picture_preview.png");
    ::DestroyWindow(window.GetHWND());
    guitest::PumpFor(20);
}

}  // namespace
