// Plays one media file in a small window and reports progress on standard output.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "player_options.h"
#include "player_window.h"
#include "std_stream.h"

#ifndef QM_PLAYER_SHOWS_VIDEO
#define QM_PLAYER_SHOWS_VIDEO 1
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // No system dialog for a missing or unreadable medium: errors go to standard error.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  PlayerOptions options;
  std::wstring error;
  int code = 1;
  if (!ParsePlayerOptions(args, options, error)) WriteErrLine(error);
  else code = RunPlayer(instance, options, QM_PLAYER_SHOWS_VIDEO != 0);
  DrainStdStreams();
  return code;
}
