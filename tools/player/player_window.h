#pragma once
// The player's window: the video area (when the player shows video), the position text, a
// progress bar and a Stop button. It drives playback and reports progress on standard output.
#include <windows.h>

#include "player_options.h"

// Exit codes: 0 played to the end or stopped by the user, 2 the media cannot be opened or
// played, 3 playback stopped advancing.
constexpr int kExitPlayed = 0;
constexpr int kExitCannotPlay = 2;
constexpr int kExitStalled = 3;

int RunPlayer(HINSTANCE instance, const PlayerOptions& options, bool shows_video);
