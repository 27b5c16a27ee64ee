// The partition-table reader over arbitrary medium bytes: must never read out of bounds, loop
// or crash, and what it returns must hold together. The medium is also claimed to be twice as
// long as the bytes, so reads that come back short are met too.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "disk/partition_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qm::MediumReadFn read = [&](uint64_t offset, void* buffer, size_t length, size_t& got) {
        got = 0;
        if (offset >= size) return 0;
        got = length < size - offset ? length : static_cast<size_t>(size - offset);
        std::memcpy(buffer, data + offset, got);
        return 0;
    };
    for (const uint64_t mediumBytes : {uint64_t{size}, uint64_t{size} * 2}) {
        const qm::PartitionTable table = qm::ReadPartitionTable(read, mediumBytes);
        if (table.scheme == qm::PartitionScheme::None && !table.entries.empty()) __builtin_trap();
        if (table.sectorSize != 512 && table.sectorSize != 4096) __builtin_trap();
        if (table.entries.size() > 1024) __builtin_trap();
        for (const qm::PartitionEntry& e : table.entries)
            if (e.sectorCount == 0 || e.firstSector == 0 || e.number < 1) __builtin_trap();
    }
    return 0;
}
