// What the preview takes from the outside programs' console output.
#pragma once
#include <string>
#include <string_view>

namespace qm::preview {

// The archive lister's table: the text from the first line of dashes ("-------------------")
// onward, as wide text (the lister writes UTF-8) with "\r\n" line ends. False when no such line.
bool ListingFromListerOutput(std::string_view output, std::wstring& listing);

// Whether the player's output says playback has started (it holds a "%").
inline bool PlayerHasStarted(std::string_view output) { return output.find('%') != std::string_view::npos; }

}  // namespace qm::preview
