// Archive listing of arbitrary bytes: every format reader, then the table printer, must never
// crash, hang or read out of bounds, and a listing never exceeds the entry bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/extract/archive_lister.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qm::extract::MemorySource source(data, size);
    qm::extract::ArchiveListing listing;
    std::string error;
    const auto status = qm::extract::ListArchive(source, "input.tar.gz", listing, error);
    if (listing.entries.size() > qm::extract::kMaxEntries) __builtin_trap();
    if (status == qm::extract::ListStatus::Listed) {
        if (qm::extract::FormatListingTable(listing, "input.tar.gz").find("\n-------------------") == std::string::npos)
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
