// The picture component end to end: per-user registration, creation through COM, wiring to a
// real rich-edit control by vtable slot, pictures placed and drawn in the control.
#include <windows.h>
#include <ole2.h>  // gdiplus.h needs PROPID and IStream
#include <gdiplus.h>
#include <richedit.h>
#include <richole.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "tools/image_ole_ctrl/image_ole_ctrl.h"

namespace {

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{C5B3A481-21E3-4CAB-8ABD-3C6A85892AD2}";
// Where COM looks the class up (per-user and machine-wide entries merged on Windows).
constexpr wchar_t kClassViewServerKey[] = L"CLSID\\{C5B3A481-21E3-4CAB-8ABD-3C6A85892AD2}\\InprocServer32";
constexpr BYTE kRed = 230, kGreen = 20, kBlue = 20;  // the test picture's opaque half

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring ReadString(const wchar_t* subKey, const wchar_t* name, HKEY root = HKEY_CURRENT_USER) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  LSTATUS result = RegGetValueW(root, subKey, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
  return result == ERROR_SUCCESS ? std::wstring(buffer) : std::wstring();
}

bool KeyExists(const wchar_t* subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class GdiplusScope {
 public:
  GdiplusScope() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~GdiplusScope() { Gdiplus::GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};

bool EncoderFor(const wchar_t* mime, CLSID& clsid) {
  UINT count = 0, bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<BYTE> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, mime) == 0) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// A width x height PNG: solid red with a transparent right half, so the compositing shows.
bool WriteTestPng(const std::wstring& path, int width, int height) {
  CLSID png{};
  if (!EncoderFor(L"image/png", png)) return false;
  Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
    Gdiplus::SolidBrush red(Gdiplus::Color(255, kRed, kGreen, kBlue));
    graphics.FillRectangle(&red, 0, 0, width / 2, height);
  }
  return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

using DllEntry = HRESULT(STDAPICALLTYPE*)();

class ImageOleCtrlRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW((ExeFolder() + L"ImageOleCtrl.dll").c_str());
    ASSERT_NE(module_, nullptr) << "ImageOleCtrl.dll must lie beside the test program";
    registerServer_ = reinterpret_cast<DllEntry>(GetProcAddress(module_, "DllRegisterServer"));
    unregisterServer_ = reinterpret_cast<DllEntry>(GetProcAddress(module_, "DllUnregisterServer"));
    canUnloadNow_ = reinterpret_cast<DllEntry>(GetProcAddress(module_, "DllCanUnloadNow"));
    ASSERT_TRUE(registerServer_ && unregisterServer_ && canUnloadNow_);
    ASSERT_NE(GetProcAddress(module_, "DllGetClassObject"), nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  HMODULE module_ = nullptr;
  DllEntry registerServer_ = nullptr;
  DllEntry unregisterServer_ = nullptr;
  DllEntry canUnloadNow_ = nullptr;
};

TEST_F(ImageOleCtrlRegistration, WritesAndRemovesThePerUserClassKey) {
  ASSERT_EQ(registerServer_(), S_OK);
  wchar_t modulePath[MAX_PATH] = {};
  GetModuleFileNameW(module_, modulePath, MAX_PATH);
  std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
  EXPECT_EQ(_wcsicmp(ReadString(server.c_str(), nullptr).c_str(), modulePath), 0);
  EXPECT_EQ(ReadString(server.c_str(), L"ThreadingModel"), L"Apartment");
  EXPECT_FALSE(ReadString(kClassKey, nullptr).empty());
  // What COM looks up resolves to this module, whether or not the system merges per-user classes.
  EXPECT_EQ(_wcsicmp(ReadString(kClassViewServerKey, nullptr, HKEY_CLASSES_ROOT).c_str(), modulePath), 0);

  EXPECT_EQ(unregisterServer_(), S_OK);
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_NE(_wcsicmp(ReadString(kClassViewServerKey, nullptr, HKEY_CLASSES_ROOT).c_str(), modulePath), 0);
  EXPECT_EQ(unregisterServer_(), S_OK) << "removing what is already gone is not an error";
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A registered component, COM and OLE up, and a window holding a rich-edit control.
class ImageOleCtrlInRichEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW((ExeFolder() + L"ImageOleCtrl.dll").c_str());
    ASSERT_NE(module_, nullptr);
    auto registerServer = reinterpret_cast<DllEntry>(GetProcAddress(module_, "DllRegisterServer"));
    ASSERT_TRUE(registerServer);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    oleUp_ = true;
    richEditLibrary_ = LoadLibraryW(L"Riched20.dll");
    ASSERT_NE(richEditLibrary_, nullptr);

    host_ = CreateWindowExW(0, L"STATIC", L"Picture component", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                            40, 40, 480, 360, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host_, nullptr);
    edit_ = CreateWindowExW(0, L"RichEdit20W", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 440, 300,
                            host_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit_, nullptr);
    SetWindowTextW(edit_, L"A picture follows: ");
    SendMessageW(edit_, EM_SETSEL, 1000, 1000);

    ASSERT_EQ(CoCreateInstance(qm::kClsidImageOleCtrl, nullptr, CLSCTX_INPROC_SERVER, qm::kIidImageOleCtrl,
                               reinterpret_cast<void**>(&ctrl_)),
              S_OK);
    ASSERT_EQ(SendMessageW(edit_, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richEditOle_)), TRUE);
    ASSERT_NE(richEditOle_, nullptr);
  }

  void TearDown() override {
    if (ctrl_) {
      ctrl_->Detach();
      ctrl_->Release();
    }
    if (richEditOle_) richEditOle_->Release();
    if (edit_) SendMessageW(edit_, EM_SETOLECALLBACK, 0, 0);
    if (host_) DestroyWindow(host_);
    if (richEditLibrary_) FreeLibrary(richEditLibrary_);
    if (oleUp_) OleUninitialize();
    if (module_) {
      auto unregisterServer = reinterpret_cast<DllEntry>(GetProcAddress(module_, "DllUnregisterServer"));
      if (unregisterServer) unregisterServer();
      FreeLibrary(module_);
    }
  }

  // The wiring as the program does it, knowing only the slot numbers; the object itself is
  // handed to the control as its OLE callback.
  void WireBySlots() {
    void** vtable = *reinterpret_cast<void***>(ctrl_);
    auto setHost = reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, HWND)>(vtable[13]);
    auto setRichEditOle = reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, IRichEditOle*)>(vtable[15]);
    ASSERT_EQ(setHost(ctrl_, host_), S_OK);
    ASSERT_EQ(setRichEditOle(ctrl_, richEditOle_), S_OK);
    ASSERT_EQ(SendMessageW(edit_, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(ctrl_)), TRUE);
  }

  SIZEL ObjectExtent(LONG index) {
    REOBJECT reo{};
    reo.cbStruct = sizeof(reo);
    EXPECT_EQ(richEditOle_->GetObject(index, &reo, REO_GETOBJ_POLEOBJ), S_OK);
    SIZEL extent{};
    if (reo.poleobj) {
      IViewObject2* view = nullptr;
      EXPECT_EQ(reo.poleobj->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view)), S_OK);
      if (view) {
        EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
        view->Release();
      }
      reo.poleobj->Release();
    }
    return extent;
  }

  HMODULE module_ = nullptr;
  HMODULE richEditLibrary_ = nullptr;
  bool oleUp_ = false;
  HWND host_ = nullptr;
  HWND edit_ = nullptr;
  qm::IImageOleCtrl* ctrl_ = nullptr;
  IRichEditOle* richEditOle_ = nullptr;
  GdiplusScope gdiplus_;
  qm::test::TempDir temp_;
};

TEST_F(ImageOleCtrlInRichEdit, InsertsAndDrawsAPictureFile) {
  WireBySlots();
  HWND wiredHost = nullptr;
  EXPECT_EQ(ctrl_->GetHostWindow(&wiredHost), S_OK);
  EXPECT_EQ(wiredHost, host_);
  std::wstring png = temp_.file(L"red_half.png");
  ASSERT_TRUE(WriteTestPng(png, 160, 90));

  LONG width = 0, height = 0;
  EXPECT_EQ(ctrl_->GetImageFileSize(png.c_str(), &width, &height), S_OK);
  EXPECT_EQ(width, 160);
  EXPECT_EQ(height, 90);

  void** vtable = *reinterpret_cast<void***>(ctrl_);
  auto insertFile = reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(void*, const wchar_t*)>(vtable[14]);
  ASSERT_EQ(insertFile(ctrl_, png.c_str()), S_OK);
  EXPECT_EQ(richEditOle_->GetObjectCount(), 1);
  LONG inserted = 0;
  EXPECT_EQ(ctrl_->GetImageCount(&inserted), S_OK);
  EXPECT_EQ(inserted, 1);

  // The object hands out the picture the way rich-edit controls draw it.
  REOBJECT reo{};
  reo.cbStruct = sizeof(reo);
  ASSERT_EQ(richEditOle_->GetObject(0, &reo, REO_GETOBJ_POLEOBJ), S_OK);
  ASSERT_NE(reo.poleobj, nullptr);
  IDataObject* data = nullptr;
  ASSERT_EQ(reo.poleobj->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)), S_OK);
  FORMATETC format = {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&format, &medium), S_OK);
  BITMAP bitmap{};
  ASSERT_EQ(GetObjectW(medium.hBitmap, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(bitmap)));
  EXPECT_EQ(bitmap.bmWidth, 160);
  EXPECT_EQ(bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight, 90);
  ReleaseStgMedium(&medium);
  format = {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
  ASSERT_EQ(data->GetData(&format, &medium), S_OK);
  EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ENHMF));
  ReleaseStgMedium(&medium);
  format = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(data->GetData(&format, &medium), DV_E_FORMATETC);
  data->Release();
  reo.poleobj->Release();

  // Drawn on screen: the red half shows, the transparent half is laid over white.
  RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  qm::guitest::PumpFor(300);
  std::uint32_t red = (std::uint32_t(kRed) << 16) | (std::uint32_t(kGreen) << 8) | kBlue;
  EXPECT_GT(qm::guitest::CountPixelsNear(qm::guitest::CaptureWindow(edit_), red), 80u * 90u * 3 / 4)
      << "the picture's red half should be on screen";
  qm::guitest::SaveWindowScreenshot(host_, L"image_ole_ctrl.png");
}

TEST_F(ImageOleCtrlInRichEdit, InsertsFromMemoryAndBitmapAndScalesWidePictures) {
  WireBySlots();
  std::wstring png = temp_.file(L"wide.png");
  ASSERT_TRUE(WriteTestPng(png, 400, 100));
  std::vector<uint8_t> bytes = qm::test::readWholeFile(png);
  ASSERT_FALSE(bytes.empty());

  ASSERT_EQ(ctrl_->InsertImageMemory(bytes.data(), static_cast<DWORD>(bytes.size())), S_OK);
  ASSERT_EQ(ctrl_->SetMaxImageWidth(100), S_OK);
  ASSERT_EQ(ctrl_->InsertImageFile(png.c_str()), S_OK);
  EXPECT_EQ(richEditOle_->GetObjectCount(), 2);

  SIZEL natural = ObjectExtent(0);
  SIZEL scaled = ObjectExtent(1);
  ASSERT_GT(natural.cx, 0);
  EXPECT_NEAR(static_cast<double>(scaled.cx) / natural.cx, 0.25, 0.02);
  EXPECT_NEAR(static_cast<double>(scaled.cy) / natural.cy, 0.25, 0.02);

  HDC screen = GetDC(nullptr);
  HBITMAP small = CreateCompatibleBitmap(screen, 24, 12);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(ctrl_->InsertImageBitmap(small), S_OK);
  DeleteObject(small);
  EXPECT_EQ(richEditOle_->GetObjectCount(), 3);
}

TEST_F(ImageOleCtrlInRichEdit, RefusesBadPicturesWithoutTouchingTheText) {
  std::wstring png = temp_.file(L"ok.png");
  ASSERT_TRUE(WriteTestPng(png, 20, 20));
  EXPECT_EQ(ctrl_->InsertImageFile(png.c_str()), E_UNEXPECTED) << "not wired to a control yet";

  WireBySlots();
  EXPECT_TRUE(FAILED(ctrl_->InsertImageFile(temp_.file(L"missing.png").c_str())));
  std::wstring text = temp_.file(L"not_a_picture.png");
  qm::test::writeWholeFile(text, std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'});
  EXPECT_TRUE(FAILED(ctrl_->InsertImageFile(text.c_str())));
  std::vector<uint8_t> truncated = qm::test::readWholeFile(png);
  truncated.resize(truncated.size() / 3);
  EXPECT_TRUE(FAILED(ctrl_->InsertImageMemory(truncated.data(), static_cast<DWORD>(truncated.size()))));
  EXPECT_EQ(ctrl_->InsertImageMemory(nullptr, 10), E_INVALIDARG);
  EXPECT_EQ(ctrl_->InsertImageFile(nullptr), E_INVALIDARG);
  EXPECT_EQ(ctrl_->InsertImageBitmap(nullptr), E_INVALIDARG);
  EXPECT_EQ(ctrl_->SetMaxImageWidth(-1), E_INVALIDARG);
  EXPECT_EQ(richEditOle_->GetObjectCount(), 0);

  ASSERT_EQ(ctrl_->Detach(), S_OK);
  EXPECT_EQ(ctrl_->InsertImageFile(png.c_str()), E_UNEXPECTED) << "detached objects insert nothing";
}

TEST_F(ImageOleCtrlInRichEdit, AnswersAsTheControlsOleCallback) {
  IRichEditOleCallback* callback = nullptr;
  ASSERT_EQ(ctrl_->QueryInterface(IID_IRichEditOleCallback, reinterpret_cast<void**>(&callback)), S_OK);
  EXPECT_EQ(callback, static_cast<IRichEditOleCallback*>(ctrl_)) << "the object's own pointer is the callback";
  IStorage* storage = nullptr;
  ASSERT_EQ(callback->GetNewStorage(&storage), S_OK);
  ASSERT_NE(storage, nullptr);
  IStream* stream = nullptr;
  EXPECT_EQ(storage->CreateStream(L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream),
            S_OK);
  if (stream) stream->Release();
  storage->Release();
  HMENU menu = reinterpret_cast<HMENU>(1);
  EXPECT_EQ(callback->GetContextMenu(GCM_RIGHTMOUSEDROP, nullptr, nullptr, &menu), S_OK);
  EXPECT_EQ(menu, nullptr);
  DWORD effect = DROPEFFECT_COPY;
  EXPECT_EQ(callback->GetDragDropEffect(FALSE, 0, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(callback->QueryInsertObject(nullptr, nullptr, 0), S_OK);
  callback->Release();

  DWORD version = 0;
  EXPECT_EQ(ctrl_->GetVersion(&version), S_OK);
  EXPECT_EQ(version, qm::kImageOleCtrlVersion);
  IUnknown* aggregated = nullptr;
  EXPECT_EQ(CoCreateInstance(qm::kClsidImageOleCtrl, reinterpret_cast<IUnknown*>(ctrl_), CLSCTX_INPROC_SERVER,
                             IID_IUnknown, reinterpret_cast<void**>(&aggregated)),
            CLASS_E_NOAGGREGATION);
}

}  // namespace
