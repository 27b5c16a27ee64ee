// A decoded picture held as opaque 32-bit pixels, and the GDI forms the rich-edit control asks for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace qm::imageole {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // top-down rows, 0x00RRGGBB
};

// Pictures above this many pixels are scaled down while decoding, so a huge photo cannot
// exhaust a 32-bit process.
inline constexpr long long kMaxPicturePixels = 16LL * 1024 * 1024;

// PNG, JPEG, BMP, GIF (first frame), through GDI+. Transparent pixels are laid over `back`.
HRESULT DecodePictureFile(const wchar_t* path, COLORREF back, Picture& out);
HRESULT DecodePictureMemory(const BYTE* data, DWORD size, COLORREF back, Picture& out);
// Only the size, from the file's header.
HRESULT ReadPictureFileSize(const wchar_t* path, LONG& width, LONG& height);
HRESULT PictureFromBitmap(HBITMAP bitmap, Picture& out);

// New GDI objects the caller owns.
HBITMAP CreateBitmapFromPicture(const Picture& picture);
HENHMETAFILE CreateMetafileFromPicture(const Picture& picture, SIZEL extentHimetric);
// A packed DIB (BITMAPINFOHEADER + bottom-up rows) in movable global memory.
HGLOBAL CreatePackedDibFromPicture(const Picture& picture);

// Stretches the picture into `bounds` of any DC, metafile DCs included.
void DrawPicture(HDC dc, const RECT& bounds, const Picture& picture);

}  // namespace qm::imageole
