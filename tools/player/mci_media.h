#pragma once
// One media file played through the system's MCI devices: the DirectShow-backed "mpegvideo"
// device first (it detects the format from the content, whatever the file's name), then the
// device made for the file's RIFF kind (AVI, WAVE) when that one cannot open or play it.
#include <windows.h>

#include <string>

class MciMedia {
 public:
  MciMedia() = default;
  MciMedia(const MciMedia&) = delete;
  MciMedia& operator=(const MciMedia&) = delete;
  ~MciMedia() { Close(); }

  // Opens and starts playing. video_parent (may be null) receives the picture inside
  // video_area; notify gets MM_MCINOTIFY at the end. Returns false with the reason.
  bool Start(const std::wstring& path, HWND video_parent, const RECT& video_area, int aspect_x,
             int aspect_y, HWND notify, std::wstring& error);
  long PositionMs();
  long LengthMs() const { return length_ms_; }
  bool Stopped();
  void Close();

 private:
  bool TryDevice(const std::wstring& path, const wchar_t* device, HWND video_parent,
                 const RECT& video_area, int aspect_x, int aspect_y, HWND notify, std::wstring& error);
  void ShowVideo(HWND parent, const RECT& area, int aspect_x, int aspect_y);

  bool open_ = false;
  bool was_playing_ = false;
  long length_ms_ = 0;
};
