#include "disk/partition_table.h"

#include "disk/file_system_probe.h"
#include "disk/partition_table_readers.h"

namespace qm {

std::vector<uint8_t> ReadMediumBytes(const MediumReadFn& read, uint64_t mediumBytes, uint64_t offset, size_t length,
                                     int& error) {
    error = 0;
    std::vector<uint8_t> bytes;
    if (offset >= mediumBytes) return bytes;
    if (length > mediumBytes - offset) length = static_cast<size_t>(mediumBytes - offset);
    bytes.resize(length);
    size_t have = 0;
    while (have < length) {  // every pass moves on or stops
        size_t got = 0;
        error = read(offset + have, bytes.data() + have, length - have, got);
        if (error != 0 || got == 0 || got > length - have) break;
        have += got;
    }
    bytes.resize(have);
    return bytes;
}

PartitionTable ReadPartitionTable(const MediumReadFn& read, uint64_t mediumBytes) {
    PartitionTable table;
    int error = 0;
    const std::vector<uint8_t> probe = ReadMediumBytes(read, mediumBytes, 0, kProbeSize, error);
    const ByteView sector0 = ByteView(probe.data(), probe.size()).sub(0, 512);
    if (sector0.size() < 512) {
        if (error != 0) table.problems.push_back("the first sector cannot be read (error " + std::to_string(error) + ")");
        return table;
    }
    // A volume that starts at sector 0 (a FAT boot sector also ends in 55 AA and has bytes
    // where partition entries would be) has no table.
    if (ExamineFileSystem(ByteView(probe.data(), probe.size())).kind != FileSystemKind::Unknown) return table;

    const bool signature = sector0.u8(510) == 0x55 && sector0.u8(511) == 0xAA;
    bool protective = false;
    for (size_t slot = 0; slot < 4 && signature; ++slot) protective |= sector0.u8(446 + 16 * slot + 4) == 0xEE;
    if (ReadGptTable(read, mediumBytes, protective, signature, table)) return table;
    if (signature) ReadMbrTable(read, mediumBytes, sector0, table);
    return table;
}

}  // namespace qm
