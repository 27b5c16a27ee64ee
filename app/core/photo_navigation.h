// Previous/next in the preview window: from the picture shown, the next (or previous) picture
// of the list, wrapping round, never back to the one shown.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace qm::app {

struct NavigationEntry {
    int32_t fsId = 0;
    int32_t recordNo = 0;  // tells apart carved files, which all have fsId 0
    bool photo = false;
};

struct NavigationPosition {
    int32_t fsId = 0;
    int32_t recordNo = 0;
};

// The index of the photo to show next, or -1 when there is none other. Without a current entry
// (or one not in the list) the first photo from the start, whichever the direction.
int NextPhotoIndex(const std::vector<NavigationEntry>& list, std::optional<NavigationPosition> current, bool forward);

}  // namespace qm::app
