#pragma once
// The player's command line: the media file plus where and how large to show the video.
#include <string>
#include <vector>

struct PlayerOptions {
  std::wstring file;
  bool has_position = false;
  int left = 0, top = 0;            // -geometry X:Y
  int video_width = 0, video_height = 0;  // -x W -y H (0: default)
  int aspect_x = 0, aspect_y = 0;   // -aspect A:B (0: the video's own)
};

// args without the program name. The file is the last argument that is not an option;
// options the player has no use for are skipped together with their value.
// Returns false with a message when no file was given.
bool ParsePlayerOptions(const std::vector<std::wstring>& args, PlayerOptions& out, std::wstring& error);
