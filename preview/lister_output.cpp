#include "preview/lister_output.h"

#include "platform/text.h"

namespace qm::preview {

bool ListingFromListerOutput(std::string_view output, std::wstring& listing) {
    listing.clear();
    const size_t start = output.find("-------------------");
    if (start == std::string_view::npos) return false;
    const std::string_view table = output.substr(start);
    const std::wstring wide = platform::fromUtf8(std::string(table));
    for (wchar_t c : wide) {
        if (c == L'\r') continue;
        if (c == L'\n') listing += L'\r';
        listing += c;
    }
    return true;
}

}  // namespace qm::preview
