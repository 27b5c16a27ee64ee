#include "app/core/photo_navigation.h"

namespace qm::app {

int NextPhotoIndex(const std::vector<NavigationEntry>& list, std::optional<NavigationPosition> current, bool forward) {
    const int count = static_cast<int>(list.size());
    int at = -1;
    if (current) {
        for (int i = 0; i < count && at < 0; ++i)
            if (list[i].fsId == current->fsId && list[i].recordNo == current->recordNo) at = i;
    }
    if (at < 0) {
        for (int i = 0; i < count; ++i)
            if (list[i].photo) return i;
        return -1;
    }
    for (int step = 1; step < count; ++step) {
        const int i = forward ? (at + step) % count : (at - step + count) % count;
        if (list[i].photo) return i;
    }
    return -1;
}

}  // namespace qm::app
