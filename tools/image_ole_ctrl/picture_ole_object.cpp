#include "tools/image_ole_ctrl/picture_ole_object.h"

#include <shlobj.h>

#include <new>
#include <utility>

#include "tools/image_ole_ctrl/com_ptr.h"
#include "tools/image_ole_ctrl/module_state.h"

namespace qm::imageole {
namespace {

constexpr wchar_t kUserTypeName[] = L"Picture";

bool IsContentFormat(const FORMATETC* format) {
  return format && format->dwAspect == DVASPECT_CONTENT && (format->lindex == -1 || format->lindex == 0);
}

// Which medium a supported clipboard format travels in; TYMED_NULL for others.
DWORD MediumFor(CLIPFORMAT format) {
  switch (format) {
    case CF_BITMAP: return TYMED_GDI;
    case CF_ENHMETAFILE: return TYMED_ENHMF;
    case CF_DIB: return TYMED_HGLOBAL;
    default: return TYMED_NULL;
  }
}

wchar_t* CopyToTaskMemory(const wchar_t* text) {
  size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (copy) memcpy(copy, text, bytes);
  return copy;
}

class PictureOleObject final : public IOleObject, public IViewObject2, public IDataObject {
 public:
  PictureOleObject(std::shared_ptr<const Picture> picture, SIZEL extent)
      : picture_(std::move(picture)), extent_(extent) {
    ObjectCreated();
  }
  PictureOleObject(const PictureOleObject&) = delete;
  PictureOleObject& operator=(const PictureOleObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleObject) {
      *out = static_cast<IOleObject*>(this);
    } else if (riid == IID_IViewObject || riid == IID_IViewObject2) {
      *out = static_cast<IViewObject2*>(this);
    } else if (riid == IID_IDataObject) {
      *out = static_cast<IDataObject*>(this);
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

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    if (oleAdvise_) oleAdvise_->SendOnClose();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override {
    if (!data) return E_POINTER;
    // The picture never changes, so the object itself is its own snapshot.
    *data = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override {
    // A static picture: there is nothing to open or edit in place.
    if (verb == OLEIVERB_HIDE || verb == OLEIVERB_PRIMARY || verb == OLEIVERB_SHOW) return S_OK;
    return OLEOBJ_S_INVALIDVERB;
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override {
    if (verbs) *verbs = nullptr;
    return OLEOBJ_E_NOVERBS;
  }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = kClsidPictureObject;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* name) override {
    if (!name) return E_POINTER;
    *name = CopyToTaskMemory(kUserTypeName);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size || size->cx <= 0 || size->cy <= 0) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override {
    if (!oleAdvise_) {
      if (HRESULT hr = CreateOleAdviseHolder(oleAdvise_.put()); FAILED(hr)) return hr;
    }
    return oleAdvise_->Advise(sink, connection);
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override {
    return oleAdvise_ ? oleAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    return oleAdvise_ ? oleAdvise_->EnumAdvise(advises) : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_STATIC | OLEMISC_CANTLINKINSIDE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                 LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    DrawPicture(dc, rect, *picture_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) override {
    if (colors) *colors = nullptr;
    return S_FALSE;  // true colour, no palette needed
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG, void*, DWORD* freeze) override {
    // The picture never changes; a freeze only hands out a token.
    if (!freeze) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *freeze = static_cast<DWORD>(InterlockedIncrement(&freezeTokens_));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override {
    return freeze != 0 && freeze <= static_cast<DWORD>(freezeTokens_) ? S_OK : OLE_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override {
    if (sink) sink->AddRef();
    if (viewSink_) viewSink_->Release();
    viewSink_ = sink;
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
    if (aspects) *aspects = viewAspects_;
    if (flags) *flags = viewFlags_;
    if (sink) {
      *sink = viewSink_;
      if (viewSink_) viewSink_->AddRef();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    return GetExtent(aspect, size);
  }

  // IDataObject
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    if (HRESULT hr = QueryGetData(format); hr != S_OK) return hr;
    *medium = STGMEDIUM{};
    switch (format->cfFormat) {
      case CF_BITMAP:
        medium->hBitmap = CreateBitmapFromPicture(*picture_);
        if (!medium->hBitmap) return E_OUTOFMEMORY;
        medium->tymed = TYMED_GDI;
        return S_OK;
      case CF_ENHMETAFILE:
        medium->hEnhMetaFile = CreateMetafileFromPicture(*picture_, extent_);
        if (!medium->hEnhMetaFile) return E_OUTOFMEMORY;
        medium->tymed = TYMED_ENHMF;
        return S_OK;
      case CF_DIB:
        medium->hGlobal = CreatePackedDibFromPicture(*picture_);
        if (!medium->hGlobal) return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        return S_OK;
      default:
        return DV_E_FORMATETC;
    }
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return DATA_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    DWORD medium = MediumFor(format->cfFormat);
    if (medium == TYMED_NULL) return DV_E_FORMATETC;
    if (!IsContentFormat(format)) return DV_E_DVASPECT;
    if (!(format->tymed & medium)) return DV_E_TYMED;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override {
    if (!out) return E_INVALIDARG;
    if (in) *out = *in;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
    if (!formats) return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC list[] = {{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI},
                        {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF},
                        {CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}};
    return SHCreateStdEnumFmtEtc(3, list, formats);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override {
    if (!dataAdvise_) {
      if (HRESULT hr = CreateDataAdviseHolder(dataAdvise_.put()); FAILED(hr)) return hr;
    }
    return dataAdvise_->Advise(static_cast<IDataObject*>(this), format, flags, sink, connection);
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override {
    return dataAdvise_ ? dataAdvise_->Unadvise(connection) : OLE_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) override {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    return dataAdvise_ ? dataAdvise_->EnumAdvise(advises) : OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  ~PictureOleObject() {
    if (site_) site_->Release();
    if (viewSink_) viewSink_->Release();
    ObjectDestroyed();
  }

  LONG refs_ = 1;
  std::shared_ptr<const Picture> picture_;
  SIZEL extent_;
  IOleClientSite* site_ = nullptr;
  ComPtr<IOleAdviseHolder> oleAdvise_;
  ComPtr<IDataAdviseHolder> dataAdvise_;
  IAdviseSink* viewSink_ = nullptr;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  LONG freezeTokens_ = 0;
};

}  // namespace

HRESULT CreatePictureOleObject(std::shared_ptr<const Picture> picture, SIZEL extent, IOleObject** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!picture || picture->width <= 0 || picture->height <= 0) return E_INVALIDARG;
  auto* object = new (std::nothrow) PictureOleObject(std::move(picture), extent);
  if (!object) return E_OUTOFMEMORY;
  *out = object;  // the constructor's reference goes to the caller
  return S_OK;
}

}  // namespace qm::imageole
