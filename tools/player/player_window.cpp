#include "player_window.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shlwapi.h>

#include <string>

#include "mci_media.h"
#include "progress_text.h"
#include "std_stream.h"

namespace {

constexpr wchar_t kWindowClass[] = L"QmMediaPlayer";
constexpr wchar_t kVideoClass[] = L"QmMediaPlayerVideo";
constexpr UINT_PTR kUiTimer = 1, kReportTimer = 2;
constexpr UINT kUiTickMs = 250, kReportMs = 1000;
constexpr int kStallTicks = 60;            // 15 s without the position moving
constexpr DWORD kStartTimeoutMs = 20000;   // opening a device may hang on a broken file
constexpr int kBarHeight = 28, kStopWidth = 64, kTextWidth = 104, kGap = 4;
constexpr int kDefaultVideoWidth = 480, kDefaultVideoHeight = 270, kMinWidth = 320;
constexpr int kStopId = 100, kProgressRange = 1000;

struct Player {
  HWND window = nullptr, video = nullptr, text = nullptr, progress = nullptr, stop = nullptr;
  int stop_x = 0;
  MciMedia media;
  int exit_code = kExitPlayed;
  long last_position = -1;
  int still_ticks = 0;
  bool finished = false;
};

Player* g_player = nullptr;
HANDLE g_started = nullptr;

std::wstring WithoutPercent(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L'%') c = L'?';  // the caller reads any "%" as "playback started"
  return text;
}

void Fail(const std::wstring& message) { WriteErrLine(L"Error: " + WithoutPercent(message)); }

DWORD WINAPI StartWatchdog(void*) {
  if (WaitForSingleObject(g_started, kStartTimeoutMs) == WAIT_TIMEOUT) {
    Fail(L"the media could not be opened in time");
    DrainStdStreams();
    TerminateProcess(GetCurrentProcess(), kExitCannotPlay);
  }
  return 0;
}

void Finish(Player& p, int exit_code) {
  if (p.finished) return;
  p.finished = true;
  p.exit_code = exit_code;
  DestroyWindow(p.window);
}

void Tick(Player& p) {
  long length = p.media.LengthMs(), position = p.media.PositionMs();
  SetWindowTextW(p.text, PositionText(position, length).c_str());
  if (length > 0) SendMessageW(p.progress, PBM_SETPOS, static_cast<WPARAM>(static_cast<long long>(position) * kProgressRange / length), 0);
  if ((length > 0 && position >= length) || p.media.Stopped()) {
    WriteOutLine(ProgressLine(length, length));
    Finish(p, kExitPlayed);
    return;
  }
  p.still_ticks = position == p.last_position ? p.still_ticks + 1 : 0;
  p.last_position = position;
  if (p.still_ticks > kStallTicks) {
    Fail(L"playback stopped advancing");
    Finish(p, kExitStalled);
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Player* p = g_player;
  switch (msg) {
    case WM_TIMER:
      if (!p || p->finished) return 0;
      if (wp == kUiTimer) Tick(*p);
      else if (wp == kReportTimer) WriteOutLine(ProgressLine(p->media.PositionMs(), p->media.LengthMs()));
      return 0;
    case MM_MCINOTIFY:
      if (p && wp == MCI_NOTIFY_SUCCESSFUL) {
        WriteOutLine(ProgressLine(p->media.LengthMs(), p->media.LengthMs()));
        Finish(*p, kExitPlayed);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kStopId && p) Finish(*p, p->exit_code);
      return 0;
    case WM_CLOSE:
      if (p) Finish(*p, p->exit_code);
      else DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kUiTimer);
      KillTimer(hwnd, kReportTimer);
      if (p) {
        p->finished = true;
        p->media.Close();
        PostQuitMessage(p->exit_code);
      } else {
        PostQuitMessage(0);
      }
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kVideoClass;
  RegisterClassExW(&wc);
}

bool CreateWindows(HINSTANCE instance, const PlayerOptions& options, bool shows_video, Player& p) {
  int video_w = 0, video_h = 0;
  if (shows_video) {
    video_w = options.video_width ? options.video_width : kDefaultVideoWidth;
    video_h = options.video_height ? options.video_height : kDefaultVideoHeight;
  }
  int client_w = video_w > kMinWidth ? video_w : kMinWidth, client_h = video_h + kBarHeight;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, client_w, client_h};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  int x = options.has_position ? options.left : CW_USEDEFAULT, y = options.has_position ? options.top : CW_USEDEFAULT;
  p.window = CreateWindowExW(0, kWindowClass, PathFindFileNameW(options.file.c_str()), style, x, y,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  if (!p.window) return false;
  if (shows_video)
    p.video = CreateWindowExW(0, kVideoClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, (client_w - video_w) / 2, 0, video_w, video_h,
                              p.window, nullptr, instance, nullptr);
  int bar_y = video_h + (kBarHeight - 22) / 2;
  p.text = CreateWindowExW(0, L"STATIC", PositionText(0, 0).c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                           kGap, bar_y, kTextWidth, 22, p.window, nullptr, instance, nullptr);
  int progress_x = kGap + kTextWidth + kGap, progress_w = client_w - progress_x - kStopWidth - 2 * kGap;
  p.stop_x = client_w - kStopWidth - kGap;
  p.progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, progress_x, bar_y + 3,
                               progress_w > 10 ? progress_w : 10, 16, p.window, nullptr, instance, nullptr);
  SendMessageW(p.progress, PBM_SETRANGE32, 0, kProgressRange);
  p.stop = CreateWindowExW(0, L"BUTTON", L"Stop", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, client_w - kStopWidth - kGap, bar_y,
                  kStopWidth, 22, p.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStopId)), instance, nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND child = GetWindow(p.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ShowWindow(p.window, SW_SHOWNOACTIVATE);
  UpdateWindow(p.window);
  return true;
}

// The audio player is started through the shell and nobody reads its output: its window says
// why the file cannot be played and stays until the user closes it.
void ShowCannotPlay(Player& p, const std::wstring& error) {
  ShowWindow(p.progress, SW_HIDE);
  RECT bar;
  GetWindowRect(p.text, &bar);
  MapWindowPoints(nullptr, p.window, reinterpret_cast<POINT*>(&bar), 2);
  SetWindowPos(p.text, nullptr, kGap, bar.top, p.stop_x - 2 * kGap, bar.bottom - bar.top, SWP_NOZORDER);
  SetWindowTextW(p.text, (L"Cannot play this file: " + error).c_str());
  SetWindowTextW(p.stop, L"Close");
  p.exit_code = kExitCannotPlay;
}

void RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

int RunPlayer(HINSTANCE instance, const PlayerOptions& options, bool shows_video) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  RegisterClasses(instance);
  Player p;
  g_player = &p;
  if (!CreateWindows(instance, options, shows_video, p)) {
    Fail(L"cannot create the player window");
    return kExitCannotPlay;
  }
  g_started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE watchdog = CreateThread(nullptr, 0, StartWatchdog, nullptr, 0, nullptr);
  RECT area{0, 0, 0, 0};
  if (p.video) GetClientRect(p.video, &area);
  std::wstring error;
  bool playing = p.media.Start(options.file, p.video, area, options.aspect_x, options.aspect_y, p.window, error);
  SetEvent(g_started);
  if (watchdog) CloseHandle(watchdog);
  if (!playing) {
    Fail(L"cannot play \"" + options.file + L"\": " + error);
    if (!shows_video) {
      ShowCannotPlay(p, error);
      RunMessageLoop();
      g_player = nullptr;
      return kExitCannotPlay;
    }
    p.finished = true;
    DestroyWindow(p.window);
    g_player = nullptr;
    return kExitCannotPlay;
  }
  WriteOutLine(ProgressLine(p.media.PositionMs(), p.media.LengthMs()));
  SetTimer(p.window, kUiTimer, kUiTickMs, nullptr);
  SetTimer(p.window, kReportTimer, kReportMs, nullptr);
  RunMessageLoop();
  g_player = nullptr;
  return p.exit_code;
}
