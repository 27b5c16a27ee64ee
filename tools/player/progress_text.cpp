#include "progress_text.h"

#include <cwchar>

namespace {

std::wstring Clock(long ms) {
  long s = ms > 0 ? ms / 1000 : 0;
  wchar_t text[32];
  if (s >= 3600) std::swprintf(text, 32, L"%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else std::swprintf(text, 32, L"%02ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace

std::wstring PositionText(long position_ms, long length_ms) {
  return Clock(position_ms) + L" / " + Clock(length_ms);
}

std::wstring ProgressLine(long position_ms, long length_ms) {
  double percent = length_ms > 0 ? 100.0 * position_ms / length_ms : 0.0;
  if (percent > 100.0) percent = 100.0;
  wchar_t text[48];
  std::swprintf(text, 48, L"Playing: %.1f%% (", percent);
  return text + PositionText(position_ms, length_ms) + L")";
}
