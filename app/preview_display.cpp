#include "app/preview_display.h"

#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include "app/picture_component.h"
#include "ui/win32/rich_edit.h"

namespace qm::app {

namespace {

constexpr LONG kHimetricPerInch = 2540;
constexpr LONG kPixelsPerInch = 96;
constexpr LONG kTinyPicturePixels = 2;

void Clear(ui::CRichEditUI* box) {
    if (HWND edit = box->GetHWND()) ::SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    box->SetText(L"");
}

// The size in pixels of the box's last picture; false when there is none.
bool LastPictureSize(ui::CRichEditUI* box, SIZE& pixels) {
    IRichEditOle* ole = box->GetRichEditOle();
    if (!ole) return false;
    bool found = false;
    const LONG count = ole->GetObjectCount();
    if (count > 0) {
        REOBJECT object{};
        object.cbStruct = sizeof(object);
        if (SUCCEEDED(ole->GetObject(count - 1, &object, REO_GETOBJ_NO_INTERFACES))) {
            pixels.cx = object.sizel.cx * kPixelsPerInch / kHimetricPerInch;
            pixels.cy = object.sizel.cy * kPixelsPerInch / kHimetricPerInch;
            found = true;
        }
    }
    ole->Release();
    return found;
}

}  // namespace

void ShowPreviewText(ui::CRichEditUI* box, const std::wstring& text) {
    if (!box) return;
    Clear(box);
    box->SetText(text);
}

bool ShowPreviewPicture(ui::CRichEditUI* box, const std::wstring& path, const std::wstring& caption) {
    if (!box) return false;
    Clear(box);
    const bool placed = InsertPictureFile(box, path);
    box->AppendText(placed ? L"\r\n" + caption : caption);
    return placed;
}

bool ShowPreviewPictureOrNotice(ui::CRichEditUI* box, const std::wstring& path) {
    if (!box) return false;
    Clear(box);
    if (InsertPictureFile(box, path)) {
        SIZE size{};
        if (LastPictureSize(box, size) && (size.cx > kTinyPicturePixels || size.cy > kTinyPicturePixels)) return true;
        Clear(box);  // a picture of a pixel or two: most likely not a picture at all
    }
    box->AppendText(kPictureNotShownText);
    return false;
}

int PreviewPictureCount(ui::CRichEditUI* box) {
    IRichEditOle* ole = box ? box->GetRichEditOle() : nullptr;
    if (!ole) return 0;
    const int count = static_cast<int>(ole->GetObjectCount());
    ole->Release();
    return count;
}

}  // namespace qm::app
