#include <cctype>
#include <cstring>

#include "tools/extract/format_readers.h"

namespace qm::extract {

std::string NameWithoutExtension(const std::string& name, const char* const* extensions,
                                 const char* const* replacements, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const size_t n = std::strlen(extensions[i]);
        if (name.size() <= n) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[name.size() - n + k])) == extensions[i][k];
        if (same) return name.substr(0, name.size() - n) + replacements[i];
    }
    return name;
}

}  // namespace qm::extract
