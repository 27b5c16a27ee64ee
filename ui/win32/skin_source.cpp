#include "ui/win32/skin_source.h"

#include "ui/win32/gdiplus_include.h"
#include <shlwapi.h>

#include <set>

#include "ui/core/zip_archive.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/gdiplus_session.h"

namespace qm::ui {
namespace {

std::mutex g_sharedMutex;
std::map<std::pair<HINSTANCE, int>, std::shared_ptr<CSkinSource>> g_resourceSources;
// Every live source, so Term() can drop all decoded images before GDI+ goes away.
std::mutex g_registryMutex;
std::set<CSkinSource*> g_registry;

// Decodes image bytes into a bitmap that owns its pixels (the stream is gone afterwards).
Gdiplus::Bitmap* DecodeImage(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() > 0x7fffffff) return nullptr;
  EnsureGdiplus();
  IStream* stream = ::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  if (!stream) return nullptr;
  Gdiplus::Bitmap* result = nullptr;
  {
    Gdiplus::Bitmap decoded(stream);
    if (decoded.GetLastStatus() == Gdiplus::Ok && decoded.GetWidth() > 0 && decoded.GetHeight() > 0 &&
        decoded.GetWidth() <= 16384 && decoded.GetHeight() <= 16384) {
      auto* copy = new Gdiplus::Bitmap(static_cast<INT>(decoded.GetWidth()), static_cast<INT>(decoded.GetHeight()),
                                       PixelFormat32bppPARGB);
      if (copy->GetLastStatus() == Gdiplus::Ok) {
        Gdiplus::Graphics g(copy);
        g.DrawImage(&decoded, 0, 0, static_cast<INT>(decoded.GetWidth()), static_cast<INT>(decoded.GetHeight()));
        result = copy;
      } else {
        delete copy;
      }
    }
  }
  stream->Release();
  return result;
}

}  // namespace

CSkinSource::CSkinSource() {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  g_registry.insert(this);
}

CSkinSource::~CSkinSource() {
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_registry.erase(this);
  }
  ClearImages();
}

std::shared_ptr<CSkinSource> CSkinSource::FromFolder(std::wstring folder) {
  std::shared_ptr<CSkinSource> source(new CSkinSource());
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  source->folder_ = std::move(folder);
  return source;
}

std::shared_ptr<CSkinSource> CSkinSource::FromZipBytes(std::vector<std::uint8_t> bytes, std::wstring* error) {
  auto zip = std::make_unique<ZipArchive>();
  int rc = zip->open(std::move(bytes));
  if (rc != 0) {
    if (error) *error = L"the skin archive is damaged (error " + std::to_wstring(rc) + L")";
    return nullptr;
  }
  std::shared_ptr<CSkinSource> source(new CSkinSource());
  source->zip_ = std::move(zip);
  return source;
}

std::shared_ptr<CSkinSource> CSkinSource::FromResource(HINSTANCE module, int id, const wchar_t* type,
                                                       std::wstring* error) {
  std::lock_guard<std::mutex> lock(g_sharedMutex);
  auto key = std::make_pair(module, id);
  auto found = g_resourceSources.find(key);
  if (found != g_resourceSources.end()) return found->second;
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type ? type : L"ZIPRES");
  HGLOBAL handle = info ? ::LoadResource(module, info) : nullptr;
  const void* data = handle ? ::LockResource(handle) : nullptr;
  DWORD size = info ? ::SizeofResource(module, info) : 0;
  if (!data || size == 0) {
    if (error) *error = L"the skin resource " + std::to_wstring(id) + L" is missing";
    return nullptr;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  auto source = FromZipBytes(std::vector<std::uint8_t>(bytes, bytes + size), error);
  if (source) g_resourceSources[key] = source;
  return source;
}

void CSkinSource::ReleaseShared() {
  std::map<std::pair<HINSTANCE, int>, std::shared_ptr<CSkinSource>> dropped;
  {
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    dropped.swap(g_resourceSources);
  }
  for (auto& entry : dropped) entry.second->ClearImages();
  std::lock_guard<std::mutex> lock(g_registryMutex);
  for (CSkinSource* source : g_registry) source->ClearImages();
}

int CSkinSource::ReadFile(std::wstring_view path, std::vector<std::uint8_t>& out) const {
  out.clear();
  std::wstring name = NormaliseSkinPath(path);
  if (name.empty()) return 2;
  if (zip_) return zip_->extract(name, out);
  std::wstring full = folder_;
  for (auto c : name) full += (c == L'/') ? L'\\' : c;
  HANDLE file = ::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  LARGE_INTEGER size{};
  int rc = 0;
  if (!::GetFileSizeEx(file, &size) || size.QuadPart > (64 << 20)) {
    rc = 13;
  } else {
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!out.empty() && (!::ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) ||
                         read != out.size())) {
      rc = 30;
      out.clear();
    }
  }
  ::CloseHandle(file);
  return rc;
}

bool CSkinSource::Exists(std::wstring_view path) const {
  std::wstring name = NormaliseSkinPath(path);
  if (zip_) return zip_->contains(name);
  std::wstring full = folder_;
  for (auto c : name) full += (c == L'/') ? L'\\' : c;
  DWORD attributes = ::GetFileAttributesW(full.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Gdiplus::Bitmap* CSkinSource::GetImage(std::wstring_view path) {
  std::wstring key = NormaliseSkinPath(path);
  for (auto& c : key) c = static_cast<wchar_t>(::towlower(c));
  std::lock_guard<std::mutex> lock(mutex_);
  return GetImageLocked(key);
}

Gdiplus::Bitmap* CSkinSource::GetImageLocked(const std::wstring& key) {
  auto found = images_.find(key);
  if (found != images_.end()) return found->second;
  std::vector<std::uint8_t> bytes;
  Gdiplus::Bitmap* image = nullptr;
  if (ReadFile(key, bytes) == 0) image = DecodeImage(bytes);
  images_[key] = image;  // failures are remembered too, so a missing image is looked up once
  return image;
}

const SkinImage* CSkinSource::GetImageDib(std::wstring_view path, DWORD mask, bool hasMask) {
  std::wstring key = NormaliseSkinPath(path);
  for (auto& c : key) c = static_cast<wchar_t>(::towlower(c));
  std::wstring dibKey = hasMask ? key + L"|" + std::to_wstring(mask & 0xFFFFFF) : key;
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = dibs_.find(dibKey);
  if (found != dibs_.end()) return found->second.dib ? &found->second : nullptr;
  SkinImage result;
  Gdiplus::Bitmap* image = GetImageLocked(key);
  if (image) {
    const int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, w, h);
    if (dib && bits && image->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) == Gdiplus::Ok) {
      auto* out = static_cast<std::uint32_t*>(bits);
      for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(data.Scan0) +
                                                                 static_cast<std::ptrdiff_t>(y) * data.Stride);
        for (int x = 0; x < w; ++x) {
          std::uint32_t px = row[x];
          // The mask compares the colour as stored (un-premultiplied for opaque pixels).
          if (hasMask && (px >> 24) == 0xFF && (px & 0xFFFFFF) == (mask & 0xFFFFFF)) px = 0;
          out[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = px;
        }
      }
      image->UnlockBits(&data);
      ::GdiFlush();
      result = SkinImage{dib, w, h};
    } else if (dib) {
      ::DeleteObject(dib);
    }
  }
  dibs_[dibKey] = result;
  return result.dib ? &dibs_[dibKey] : nullptr;
}

void CSkinSource::ClearImages() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& entry : images_) delete entry.second;
  images_.clear();
  for (auto& entry : dibs_) {
    if (entry.second.dib) ::DeleteObject(entry.second.dib);
  }
  dibs_.clear();
}

std::wstring CSkinSource::Describe() const { return zip_ ? L"skin archive" : L"skin folder " + folder_; }

}  // namespace qm::ui
