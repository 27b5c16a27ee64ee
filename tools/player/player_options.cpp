#include "player_options.h"

#include <cwchar>

namespace {

// Options known to take a value; any other option is taken as a flag. The file comes last, so
// an unknown option's value that is mistaken for a file is replaced by the real one.
bool TakesValue(const std::wstring& name) {
  static const wchar_t* const kWithValue[] = {
      L"aspect", L"geometry", L"x", L"y", L"vo", L"ao", L"lavdopts", L"vf", L"af", L"vc", L"ac",
      L"ss", L"endpos", L"volume", L"speed", L"wid", L"cache", L"demuxer", L"title", L"sub",
      L"fps", L"loop", L"monitoraspect", L"monitorpixelaspect", L"xy", L"colorkey", L"priority"};
  for (const wchar_t* known : kWithValue)
    if (name == known) return true;
  return false;
}

bool ParsePair(const std::wstring& text, int& a, int& b) {
  wchar_t sep = 0;
  int x = 0, y = 0;
  if (std::swscanf(text.c_str(), L"%d%lc%d", &x, &sep, &y) != 3 || (sep != L':' && sep != L'/' && sep != L'x'))
    return false;
  a = x;
  b = y;
  return true;
}

int ParseSize(const std::wstring& text) {
  int v = 0;
  if (std::swscanf(text.c_str(), L"%d", &v) != 1 || v < 16 || v > 8192) return 0;
  return v;
}

}  // namespace

bool ParsePlayerOptions(const std::vector<std::wstring>& args, PlayerOptions& out, std::wstring& error) {
  out = PlayerOptions{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg.size() < 2 || arg[0] != L'-') {
      out.file = arg;
      continue;
    }
    std::wstring name = arg.substr(arg[1] == L'-' ? 2 : 1);
    if (!TakesValue(name)) continue;
    if (i + 1 >= args.size()) break;
    const std::wstring& value = args[++i];
    if (name == L"geometry") {
      out.has_position = ParsePair(value, out.left, out.top);
    } else if (name == L"aspect") {
      int a = 0, b = 0;
      if (ParsePair(value, a, b) && a > 0 && b > 0) {
        out.aspect_x = a;
        out.aspect_y = b;
      }
    } else if (name == L"x") {
      out.video_width = ParseSize(value);
    } else if (name == L"y") {
      out.video_height = ParseSize(value);
    }
  }
  if (out.file.empty()) {
    error = L"usage: [-geometry X:Y] [-x WIDTH -y HEIGHT] [-aspect A:B] MEDIA-FILE";
    return false;
  }
  return true;
}
