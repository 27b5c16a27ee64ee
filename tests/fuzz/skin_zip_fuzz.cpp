// Skin archives: opening, listing and extracting every entry of arbitrary bytes must never crash,
// hang, read out of bounds or allocate beyond the entry bound; extracted layouts go on to the XML reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/core/xml_document.h"
#include "ui/core/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qm::ui::ZipArchive zip;
    if (zip.open(std::vector<std::uint8_t>(data, data + size)) != 0) {
        if (!zip.names().empty()) __builtin_trap();  // a failed open keeps nothing
        return 0;
    }
    const std::vector<std::wstring> names = zip.names();
    for (size_t i = 0; i < names.size() && i < 64; ++i) {
        if (!zip.contains(names[i])) __builtin_trap();
        std::vector<std::uint8_t> out;
        const int status = zip.extract(names[i], out);
        if (status != 0 && !out.empty()) __builtin_trap();
        if (out.size() > qm::ui::kZipMaxEntrySize) __builtin_trap();
        if (status == 0) qm::ui::ParseXml(out);
    }
    std::vector<std::uint8_t> out;
    if (zip.extract(L"no such entry\\anywhere", out) != 2) __builtin_trap();
    return 0;
}
