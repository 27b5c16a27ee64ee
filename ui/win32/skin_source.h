#pragma once
// Where skin files and images come from: a zip archive (a program resource or bytes) or a folder.
// Decoded images are cached per archive path; Term() (CPaintManagerUI) drops every cache.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Gdiplus { class Bitmap; }

namespace qm::ui {

class ZipArchive;

// A decoded image as a 32-bit premultiplied top-down DIB, ready for AlphaBlend.
struct SkinImage {
  HBITMAP dib = nullptr;
  int width = 0, height = 0;
};

class CSkinSource {
 public:
  ~CSkinSource();
  CSkinSource(const CSkinSource&) = delete;
  CSkinSource& operator=(const CSkinSource&) = delete;

  // A folder on disk; archive paths are read relative to it ("xml\\skin.xml").
  static std::shared_ptr<CSkinSource> FromFolder(std::wstring folder);
  // A zip archive held in memory. nullptr (and *error) when the archive is damaged.
  static std::shared_ptr<CSkinSource> FromZipBytes(std::vector<std::uint8_t> bytes, std::wstring* error = nullptr);
  // A zip archive held in a program resource (type "ZIPRES", id 101 for the program's skin).
  // Sources from the same module/id are shared. nullptr (and *error) when absent or damaged.
  static std::shared_ptr<CSkinSource> FromResource(HINSTANCE module, int id, const wchar_t* type = L"ZIPRES",
                                                   std::wstring* error = nullptr);

  // 0, 2 (absent) or 13 (damaged). Separators '\\' and '/' are equivalent.
  int ReadFile(std::wstring_view path, std::vector<std::uint8_t>& out) const;
  bool Exists(std::wstring_view path) const;
  // The decoded image (GDI+), cached; nullptr when missing or undecodable. Owned by the source.
  Gdiplus::Bitmap* GetImage(std::wstring_view path);
  // The same image as a DIB; with hasMask, pixels of colour `mask` (RGB) are made transparent.
  const SkinImage* GetImageDib(std::wstring_view path, DWORD mask = 0, bool hasMask = false);
  void ClearImages();
  std::wstring Describe() const;  // "folder C:\\x" / "zip archive" for messages

  // Drops the shared resource sources and their images (called by CPaintManagerUI::Term()).
  static void ReleaseShared();

 private:
  CSkinSource();
  std::wstring folder_;
  std::unique_ptr<ZipArchive> zip_;
  Gdiplus::Bitmap* GetImageLocked(const std::wstring& key);
  std::map<std::wstring, Gdiplus::Bitmap*> images_;
  std::map<std::wstring, SkinImage> dibs_;
  std::mutex mutex_;
};

}  // namespace qm::ui
