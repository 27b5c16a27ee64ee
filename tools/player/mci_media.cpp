#include "mci_media.h"

#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr wchar_t kAlias[] = L"qmmedia";

bool Send(const std::wstring& command, std::wstring* reply, std::wstring* error, HWND notify = nullptr) {
  wchar_t buffer[256] = {};
  MCIERROR rc = mciSendStringW(command.c_str(), buffer, 256, notify);
  if (rc != 0) {
    if (error) {
      wchar_t text[256] = {};
      if (!mciGetErrorStringW(rc, text, 256)) std::swprintf(text, 256, L"MCI error %lu", static_cast<unsigned long>(rc));
      *error = text;
    }
    return false;
  }
  if (reply) *reply = buffer;
  return true;
}

std::wstring Command(const wchar_t* verb, const std::wstring& rest = L"") {
  return std::wstring(verb) + L" " + kAlias + rest;
}

// The device made for a RIFF file's own kind; the format is told by the content, not the name.
// Those devices take a cut-off file for an empty one and "play" nothing, so the file must hold
// the whole RIFF body its header announces.
const wchar_t* RiffDevice(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return nullptr;
  unsigned char head[12] = {};
  DWORD got = 0;
  LARGE_INTEGER size{};
  BOOL ok = ReadFile(f, head, sizeof head, &got, nullptr) && GetFileSizeEx(f, &size);
  CloseHandle(f);
  if (!ok || got < sizeof head || std::memcmp(head, "RIFF", 4) != 0) return nullptr;
  unsigned long long body = head[4] | head[5] << 8 | head[6] << 16 | static_cast<unsigned long long>(head[7]) << 24;
  if (8 + body > static_cast<unsigned long long>(size.QuadPart)) return nullptr;
  if (std::memcmp(head + 8, "AVI ", 4) == 0) return L"avivideo";
  if (std::memcmp(head + 8, "WAVE", 4) == 0) return L"waveaudio";
  return nullptr;
}

}  // namespace

bool MciMedia::Start(const std::wstring& path, HWND video_parent, const RECT& video_area, int aspect_x,
                     int aspect_y, HWND notify, std::wstring& error) {
  std::vector<const wchar_t*> devices{L"mpegvideo"};
  if (const wchar_t* riff = RiffDevice(path)) devices.push_back(riff);
  for (const wchar_t* device : devices) {
    std::wstring why;
    if (TryDevice(path, device, video_parent, video_area, aspect_x, aspect_y, notify, why)) return true;
    error += (error.empty() ? L"" : L"; ") + std::wstring(device) + L": " + why;
  }
  return false;
}

bool MciMedia::TryDevice(const std::wstring& path, const wchar_t* device, HWND video_parent,
                         const RECT& video_area, int aspect_x, int aspect_y, HWND notify, std::wstring& error) {
  Close();
  // Without an output device the wave device "plays" nothing and reports it finished at once.
  if (std::wcscmp(device, L"waveaudio") == 0 && waveOutGetNumDevs() == 0) {
    error = L"no audio output device";
    return false;
  }
  std::wstring open = L"open \"" + path + L"\" type " + device + L" alias " + kAlias;
  if (!Send(open, nullptr, &error)) return false;
  open_ = true;
  Send(Command(L"set", L" time format milliseconds"), nullptr, nullptr);
  std::wstring length;
  length_ms_ = Send(Command(L"status", L" length"), &length, nullptr) ? std::wcstol(length.c_str(), nullptr, 10) : 0;
  if (std::wcscmp(device, L"waveaudio") != 0) {
    if (video_parent) ShowVideo(video_parent, video_area, aspect_x, aspect_y);
    else Send(Command(L"window", L" state hide"), nullptr, nullptr);
  }
  if (!Send(Command(L"play", L" notify"), nullptr, &error, notify)) {
    Close();
    return false;
  }
  return true;
}

void MciMedia::ShowVideo(HWND parent, const RECT& area, int aspect_x, int aspect_y) {
  Send(Command(L"window", L" handle " + std::to_wstring(reinterpret_cast<UINT_PTR>(parent))), nullptr, nullptr);
  long w = area.right - area.left, h = area.bottom - area.top;
  if (aspect_x <= 0 || aspect_y <= 0) {
    std::wstring source;
    long sx = 0, sy = 0;
    if (Send(Command(L"where", L" source"), &source, nullptr) &&
        std::swscanf(source.c_str(), L"%*ld %*ld %ld %ld", &sx, &sy) == 2 && sx > 0 && sy > 0) {
      aspect_x = static_cast<int>(sx);
      aspect_y = static_cast<int>(sy);
    }
  }
  long dw = w, dh = h;
  if (aspect_x > 0 && aspect_y > 0 && w > 0 && h > 0) {
    // Letterbox: the largest rectangle of the wanted shape inside the area.
    if (static_cast<long long>(w) * aspect_y > static_cast<long long>(h) * aspect_x) dw = h * aspect_x / aspect_y;
    else dh = w * aspect_y / aspect_x;
  }
  long x = area.left + (w - dw) / 2, y = area.top + (h - dh) / 2;
  wchar_t rect[96];
  std::swprintf(rect, 96, L" destination at %ld %ld %ld %ld", x, y, dw, dh);
  Send(Command(L"put", rect), nullptr, nullptr);
  Send(Command(L"window", L" state show"), nullptr, nullptr);
}

long MciMedia::PositionMs() {
  std::wstring reply;
  if (!open_ || !Send(Command(L"status", L" position"), &reply, nullptr)) return 0;
  return std::wcstol(reply.c_str(), nullptr, 10);
}

bool MciMedia::Stopped() {
  std::wstring mode;
  if (!open_ || !Send(Command(L"status", L" mode"), &mode, nullptr)) return false;
  // Some devices report "stopped" for a moment before they start.
  if (mode == L"playing") was_playing_ = true;
  return was_playing_ && mode == L"stopped";
}

void MciMedia::Close() {
  if (!open_) return;
  Send(Command(L"close"), nullptr, nullptr);
  open_ = false;
  was_playing_ = false;
  length_ms_ = 0;
}
