#include "tools/image_ole_ctrl/image_ole_ctrl_object.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "tools/image_ole_ctrl/com_ptr.h"
#include "tools/image_ole_ctrl/image_ole_ctrl.h"
#include "tools/image_ole_ctrl/module_state.h"
#include "tools/image_ole_ctrl/picture.h"
#include "tools/image_ole_ctrl/picture_ole_object.h"

namespace qm::imageole {
namespace {

constexpr LONG kHimetricPerInch = 2540;

SIZEL ExtentOf(const Picture& picture, LONG maxWidth) {
  LONG width = picture.width;
  LONG height = picture.height;
  if (maxWidth > 0 && width > maxWidth) {
    height = std::max<LONG>(1, MulDiv(height, maxWidth, width));
    width = maxWidth;
  }
  HDC screen = GetDC(nullptr);
  int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  if (dpiX <= 0) dpiX = 96;
  if (dpiY <= 0) dpiY = 96;
  return SIZEL{MulDiv(width, kHimetricPerInch, dpiX), MulDiv(height, kHimetricPerInch, dpiY)};
}

class ImageOleCtrlObject final : public IImageOleCtrl {
 public:
  ImageOleCtrlObject() { ObjectCreated(); }
  ImageOleCtrlObject(const ImageOleCtrlObject&) = delete;
  ImageOleCtrlObject& operator=(const ImageOleCtrlObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == kIidImageOleCtrl || riid == IID_IRichEditOleCallback) {
      *out = static_cast<IImageOleCtrl*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  // IImageOleCtrl
  HRESULT STDMETHODCALLTYPE GetVersion(DWORD* version) override {
    if (!version) return E_POINTER;
    *version = kImageOleCtrlVersion;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHostWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = host_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetImageCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = imageCount_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMaxImageWidth(LONG pixels) override {
    if (pixels < 0) return E_INVALIDARG;
    maxWidth_ = pixels;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMaxImageWidth(LONG* pixels) override {
    if (!pixels) return E_POINTER;
    *pixels = maxWidth_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetBackColor(COLORREF color) override {
    back_ = color & 0x00FFFFFF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBackColor(COLORREF* color) override {
    if (!color) return E_POINTER;
    *color = back_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetImageFileSize(const wchar_t* path, LONG* width, LONG* height) override {
    if (!width || !height) return E_POINTER;
    *width = *height = 0;
    return ReadPictureFileSize(path, *width, *height);
  }
  HRESULT STDMETHODCALLTYPE InsertImageBitmap(HBITMAP bitmap) override {
    auto picture = std::make_shared<Picture>();
    if (HRESULT hr = PictureFromBitmap(bitmap, *picture); FAILED(hr)) return hr;
    return InsertPicture(std::move(picture));
  }
  HRESULT STDMETHODCALLTYPE InsertImageMemory(const BYTE* data, DWORD size) override {
    auto picture = std::make_shared<Picture>();
    if (HRESULT hr = DecodePictureMemory(data, size, back_, *picture); FAILED(hr)) return hr;
    return InsertPicture(std::move(picture));
  }
  HRESULT STDMETHODCALLTYPE SetHostWindow(HWND window) override {
    if (window && !IsWindow(window)) return E_INVALIDARG;
    host_ = window;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertImageFile(const wchar_t* path) override {
    auto picture = std::make_shared<Picture>();
    if (HRESULT hr = DecodePictureFile(path, back_, *picture); FAILED(hr)) return hr;
    return InsertPicture(std::move(picture));
  }
  HRESULT STDMETHODCALLTYPE SetRichEditOle(IRichEditOle* richEditOle) override {
    if (richEditOle) richEditOle->AddRef();
    if (richEditOle_) richEditOle_->Release();
    richEditOle_ = richEditOle;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Detach() override {
    SetRichEditOle(nullptr);
    host_ = nullptr;
    return S_OK;
  }

  // IRichEditOleCallback
  HRESULT STDMETHODCALLTYPE GetNewStorage(LPSTORAGE* storage) override {
    if (!storage) return E_INVALIDARG;
    *storage = nullptr;
    ComPtr<ILockBytes> bytes;
    if (HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()); FAILED(hr)) return hr;
    return StgCreateDocfileOnILockBytes(bytes.get(), STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0,
                                        storage);
  }
  HRESULT STDMETHODCALLTYPE GetInPlaceContext(LPOLEINPLACEFRAME* frame, LPOLEINPLACEUIWINDOW* document,
                                              LPOLEINPLACEFRAMEINFO) override {
    // Pictures are never activated in place.
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ShowContainerUI(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE QueryInsertObject(LPCLSID, LPSTORAGE, LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeleteObject(LPOLEOBJECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD, BOOL, HGLOBAL) override {
    return S_OK;  // the control's own format choice stands
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE*, DWORD, LPDATAOBJECT* data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;  // the control builds its own clipboard object
  }
  HRESULT STDMETHODCALLTYPE GetDragDropEffect(BOOL, DWORD, LPDWORD) override {
    return S_OK;  // the control's proposed effect stands
  }
  HRESULT STDMETHODCALLTYPE GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU* menu) override {
    if (menu) *menu = nullptr;  // no context menu
    return S_OK;
  }

 private:
  ~ImageOleCtrlObject() {
    if (richEditOle_) richEditOle_->Release();
    ObjectDestroyed();
  }

  HRESULT InsertPicture(std::shared_ptr<const Picture> picture) {
    if (!richEditOle_) return E_UNEXPECTED;  // not wired to a control yet
    SIZEL extent = ExtentOf(*picture, maxWidth_);
    ComPtr<IOleClientSite> site;
    if (HRESULT hr = richEditOle_->GetClientSite(site.put()); FAILED(hr)) return hr;
    ComPtr<IStorage> storage;
    if (HRESULT hr = GetNewStorage(storage.put()); FAILED(hr)) return hr;
    ComPtr<IOleObject> object;
    if (HRESULT hr = CreatePictureOleObject(std::move(picture), extent, object.put()); FAILED(hr)) return hr;
    object->SetClientSite(site.get());
    OleSetContainedObject(object.get(), TRUE);  // fails harmlessly: the object is never "running"

    REOBJECT reo{};
    reo.cbStruct = sizeof(reo);
    reo.cp = REO_CP_SELECTION;
    reo.clsid = kClsidPictureObject;
    reo.poleobj = object.get();
    reo.pstg = storage.get();
    reo.polesite = site.get();
    reo.sizel = extent;
    reo.dvaspect = DVASPECT_CONTENT;
    reo.dwFlags = REO_BELOWBASELINE;
    HRESULT hr = richEditOle_->InsertObject(&reo);
    if (FAILED(hr)) {
      object->SetClientSite(nullptr);
      return hr;
    }
    ++imageCount_;
    if (host_ && IsWindow(host_)) InvalidateRect(host_, nullptr, FALSE);
    return S_OK;
  }

  LONG refs_ = 1;
  HWND host_ = nullptr;
  IRichEditOle* richEditOle_ = nullptr;
  LONG imageCount_ = 0;
  LONG maxWidth_ = 0;
  COLORREF back_ = RGB(255, 255, 255);
};

}  // namespace

HRESULT CreateImageOleCtrl(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* object = new (std::nothrow) ImageOleCtrlObject();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(riid, out);
  object->Release();
  return hr;
}

}  // namespace qm::imageole
