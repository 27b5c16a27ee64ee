#include "tools/image_ole_ctrl/picture.h"

#include <ole2.h>  // gdiplus.h needs PROPID and IStream
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "tools/image_ole_ctrl/com_ptr.h"

namespace qm::imageole {
namespace {

// GDI+ is started for the length of one decode: the host may or may not run it, and a
// component may not start it from DllMain. Startups nest, so this is safe either way.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

HRESULT StatusToResult(Gdiplus::Status status) {
  switch (status) {
    case Gdiplus::Ok: return S_OK;
    case Gdiplus::OutOfMemory: return E_OUTOFMEMORY;
    case Gdiplus::FileNotFound: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case Gdiplus::UnknownImageFormat:
    case Gdiplus::InvalidParameter: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    default: return E_FAIL;
  }
}

HRESULT CheckFileReadable(const wchar_t* path) {
  if (!path || !*path) return E_INVALIDARG;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return S_OK;
}

// Draws the decoded source onto opaque pixels of `back`, scaled down when it is huge.
HRESULT Rasterize(Gdiplus::Bitmap& source, COLORREF back, Picture& out) {
  if (HRESULT hr = StatusToResult(source.GetLastStatus()); FAILED(hr)) return hr;
  long long width = source.GetWidth();
  long long height = source.GetHeight();
  if (width <= 0 || height <= 0) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  if (width * height > kMaxPicturePixels) {
    double scale = std::sqrt(static_cast<double>(kMaxPicturePixels) / static_cast<double>(width * height));
    width = std::max<long long>(1, static_cast<long long>(width * scale));
    height = std::max<long long>(1, static_cast<long long>(height * scale));
  }
  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  try {
    picture.pixels.assign(static_cast<size_t>(width * height), 0);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  Gdiplus::Bitmap target(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                         reinterpret_cast<BYTE*>(picture.pixels.data()));
  if (HRESULT hr = StatusToResult(target.GetLastStatus()); FAILED(hr)) return hr;
  {
    Gdiplus::Graphics graphics(&target);
    graphics.Clear(Gdiplus::Color(255, GetRValue(back), GetGValue(back), GetBValue(back)));
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::Status status = graphics.DrawImage(&source, 0, 0, picture.width, picture.height);
    if (status != Gdiplus::Ok) return StatusToResult(status);
  }
  for (std::uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFFu;
  out = std::move(picture);
  return S_OK;
}

BITMAPINFOHEADER TopDownHeader(const Picture& picture) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = picture.width;
  header.biHeight = -picture.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

bool IsEmpty(const Picture& picture) {
  return picture.width <= 0 || picture.height <= 0 ||
         picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
}

}  // namespace

HRESULT DecodePictureFile(const wchar_t* path, COLORREF back, Picture& out) {
  if (HRESULT hr = CheckFileReadable(path); FAILED(hr)) return hr;
  GdiplusSession session;
  if (!session.ok()) return E_FAIL;
  Gdiplus::Bitmap source(path, FALSE);
  return Rasterize(source, back, out);
}

HRESULT DecodePictureMemory(const BYTE* data, DWORD size, COLORREF back, Picture& out) {
  if (!data || size == 0) return E_INVALIDARG;
  ComPtr<IStream> stream;
  *stream.put() = SHCreateMemStream(data, size);
  if (!stream) return E_OUTOFMEMORY;
  GdiplusSession session;
  if (!session.ok()) return E_FAIL;
  Gdiplus::Bitmap source(stream.get(), FALSE);
  return Rasterize(source, back, out);
}

HRESULT ReadPictureFileSize(const wchar_t* path, LONG& width, LONG& height) {
  if (HRESULT hr = CheckFileReadable(path); FAILED(hr)) return hr;
  GdiplusSession session;
  if (!session.ok()) return E_FAIL;
  Gdiplus::Bitmap source(path, FALSE);
  if (HRESULT hr = StatusToResult(source.GetLastStatus()); FAILED(hr)) return hr;
  width = static_cast<LONG>(source.GetWidth());
  height = static_cast<LONG>(source.GetHeight());
  return width > 0 && height > 0 ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
}

HRESULT PictureFromBitmap(HBITMAP bitmap, Picture& out) {
  BITMAP info{};
  if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return E_INVALIDARG;
  if (info.bmWidth <= 0 || info.bmHeight == 0) return E_INVALIDARG;
  Picture picture;
  picture.width = info.bmWidth;
  picture.height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  if (static_cast<long long>(picture.width) * picture.height > kMaxPicturePixels) return E_OUTOFMEMORY;
  picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
  BITMAPINFO bmi{};
  bmi.bmiHeader = TopDownHeader(picture);
  HDC screen = GetDC(nullptr);
  int lines = GetDIBits(screen, bitmap, 0, picture.height, picture.pixels.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != picture.height) return E_FAIL;
  for (std::uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFFu;
  out = std::move(picture);
  return S_OK;
}

HBITMAP CreateBitmapFromPicture(const Picture& picture) {
  if (IsEmpty(picture)) return nullptr;
  BITMAPINFO bmi{};
  bmi.bmiHeader = TopDownHeader(picture);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) return bitmap;
  std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * 4);
  GdiFlush();
  return bitmap;
}

HENHMETAFILE CreateMetafileFromPicture(const Picture& picture, SIZEL extentHimetric) {
  if (IsEmpty(picture)) return nullptr;
  RECT frame = {0, 0, extentHimetric.cx, extentHimetric.cy};
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  if (!dc) return nullptr;
  RECT bounds = {0, 0, picture.width, picture.height};
  DrawPicture(dc, bounds, picture);
  return CloseEnhMetaFile(dc);
}

HGLOBAL CreatePackedDibFromPicture(const Picture& picture) {
  if (IsEmpty(picture)) return nullptr;
  size_t rowBytes = static_cast<size_t>(picture.width) * 4;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + rowBytes * picture.height);
  if (!memory) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
  *header = TopDownHeader(picture);
  header->biHeight = picture.height;  // bottom-up is what clipboard readers expect
  header->biSizeImage = static_cast<DWORD>(rowBytes * picture.height);
  auto* rows = reinterpret_cast<BYTE*>(header + 1);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(rows + rowBytes * (picture.height - 1 - y), &picture.pixels[static_cast<size_t>(y) * picture.width],
                rowBytes);
  }
  GlobalUnlock(memory);
  return memory;
}

void DrawPicture(HDC dc, const RECT& bounds, const Picture& picture) {
  if (!dc || IsEmpty(picture)) return;
  BITMAPINFO bmi{};
  bmi.bmiHeader = TopDownHeader(picture);
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT oldOrigin{};
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);  // HALFTONE needs the brush origin reset
  StretchDIBits(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, 0, 0,
                picture.width, picture.height, picture.pixels.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  if (oldMode) SetStretchBltMode(dc, oldMode);
}

}  // namespace qm::imageole
