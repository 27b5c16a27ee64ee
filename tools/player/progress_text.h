#pragma once
// Texts of the playback position: "01:23 / 04:56" and the progress line written to standard
// output ("Playing: 12.5% (00:03 / 00:24)") that tells the caller playback has started.
#include <string>

std::wstring PositionText(long position_ms, long length_ms);
std::wstring ProgressLine(long position_ms, long length_ms);
