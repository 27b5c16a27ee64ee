#include "app/picture_component.h"

#include <richedit.h>

#include "app/module_folder.h"
#include "tools/image_ole_ctrl/image_ole_ctrl.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/rich_edit.h"

namespace qm::app {

namespace {

using DllRegisterServerFn = HRESULT(STDAPICALLTYPE*)();

// A new component wired to the box's OLE interface (slot 13: host window, slot 15: the box's
// IRichEditOle, whose reference is dropped again right after). nullptr when it cannot be made.
IImageOleCtrl* CreateWiredComponent(HWND hostWindow, ui::CRichEditUI* richEdit) {
    if (!richEdit) return nullptr;
    IImageOleCtrl* component = nullptr;
    const HRESULT hr = ::CoCreateInstance(kClsidImageOleCtrl, nullptr, CLSCTX_INPROC_SERVER, kIidImageOleCtrl,
                                          reinterpret_cast<void**>(&component));
    if (FAILED(hr) || !component) return nullptr;
    component->SetHostWindow(hostWindow);
    if (IRichEditOle* ole = richEdit->GetRichEditOle()) {
        component->SetRichEditOle(ole);
        ole->Release();
    }
    return component;
}

}  // namespace

bool RegisterPictureComponentAt(const std::wstring& dllPath) {
    HMODULE module = ::LoadLibraryW(dllPath.c_str());
    if (!module) return false;
    auto registerServer = reinterpret_cast<DllRegisterServerFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")));
    if (registerServer) registerServer();  // only that it could be called counts
    ::FreeLibrary(module);
    return registerServer != nullptr;
}

bool RegisterPictureComponent() { return RegisterPictureComponentAt(GetModuleFolder() + kPictureComponentFile); }

bool AttachPictureComponent(HWND hostWindow, ui::CRichEditUI* richEdit) {
    IImageOleCtrl* component = CreateWiredComponent(hostWindow, richEdit);
    if (!component) return false;
    // The component is the box's OLE callback; the box keeps its own reference.
    richEdit->SetOleCallback(component);
    component->Release();
    return true;
}

bool InsertPictureFile(ui::CRichEditUI* richEdit, const std::wstring& path) {
    if (!richEdit || !richEdit->GetHWND()) return false;
    HWND host = richEdit->GetManager() ? richEdit->GetManager()->GetPaintWindow() : nullptr;
    // A helper instance of its own places the picture; the attached one hosts it afterwards.
    IImageOleCtrl* component = CreateWiredComponent(host, richEdit);
    if (!component) return false;
    // A photo is thousands of pixels wide: it is shown at the box's width, not beyond it.
    constexpr LONG kInsetsAndScrollBar = 40;
    const RECT box = richEdit->GetPos();
    const LONG room = (box.right - box.left) - kInsetsAndScrollBar;
    if (room > kInsetsAndScrollBar) component->SetMaxImageWidth(room);
    const HRESULT hr = component->InsertImageFile(path.c_str());
    component->Detach();
    component->Release();
    return SUCCEEDED(hr);
}

}  // namespace qm::app
