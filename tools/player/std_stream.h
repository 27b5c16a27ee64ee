#pragma once
// Lines to the standard output and error handles the caller gave us (a pipe, usually), from a
// GUI-subsystem program. A writer thread does the writing: a caller that stops reading the pipe
// once it has seen what it waited for must not block the player when the pipe fills up; lines
// that cannot be written then are dropped.
#include <string>

void WriteOutLine(const std::wstring& line);
void WriteErrLine(const std::wstring& line);
// Waits a bounded time for the queued lines to be written (before the process ends).
void DrainStdStreams();
