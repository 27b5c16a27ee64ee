// A directory of arbitrary bytes through the exFAT entry-set walk, the boot-sector decoder and
// the up-case table: no read may leave the buffer, every set found must lie inside it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/exfat_boot_sector.h"
#include "engines/exfat/exfat_entry_set.h"
#include "engines/exfat/exfat_upcase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes in a buffer of their own so that any overrun is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const qm::ByteView view(bytes.data(), bytes.size());
    const std::vector<uint16_t> upcase = qm::ExpandExFatUpcaseTable(view);
    if (upcase.size() > 0x10000) __builtin_trap();
    size_t entries = 0;
    const qm::ExFatDirectoryWalk walk = qm::ForEachEntrySet(view, [&](const qm::ExFatEntrySet& s) {
        if (s.offset + s.entryCount * 32 > bytes.size() || s.entryCount < 2 || s.entryCount > 19) __builtin_trap();
        if (s.rawName.empty() || s.rawName.size() > 255) __builtin_trap();
        entries += s.entryCount;
        qm::ExFatNameHash(s.rawName, &upcase);
    });
    if (entries > bytes.size() / 32 || walk.sets + walk.damaged + walk.cut > bytes.size() / 32) __builtin_trap();
    qm::ExFatBootFields boot;
    qm::DecodeExFatBootSector(view, boot);
    qm::VerifyExFatBootChecksum(view, 512);
    return 0;
}
