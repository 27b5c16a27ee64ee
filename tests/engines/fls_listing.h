// Reading the "fls -r -p" listings stored beside the public sample images.
#pragma once
#include <string>

namespace qm::test {

inline std::string baseNameOf(const std::string& path) {
    const size_t cut = path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Calls fn(meta, path) for every "meta<TAB>path" line of a listing.
template <typename Fn>
void forEachListingEntry(const std::string& listing, Fn fn) {
    size_t at = 0;
    while (at < listing.size()) {
        size_t end = listing.find('\n', at);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(at, end - at);
        at = end + 1;
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) fn(line.substr(0, tab), line.substr(tab + 1));
    }
}

}  // namespace qm::test
