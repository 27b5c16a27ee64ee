// MBR: four primary entries in sector 0 and, inside an extended partition, a chain of EBRs
// each holding one logical volume and a link to the next.
#include <string>

#include "disk/partition_table_readers.h"

namespace qm {
namespace {

constexpr uint32_t kSectorSize = 512;
constexpr size_t kEntriesOffset = 446;
constexpr int kMaxChainLinks = 128;

struct MbrSlot {
    uint8_t status = 0;
    uint8_t type = 0;
    uint32_t start = 0;
    uint32_t count = 0;
};

MbrSlot slotAt(ByteView sector, size_t slot) {
    const size_t at = kEntriesOffset + 16 * slot;
    return {sector.u8(at), sector.u8(at + 4), sector.u32(at + 8), sector.u32(at + 12)};
}

bool hasSignature(ByteView sector) { return sector.u8(510) == 0x55 && sector.u8(511) == 0xAA; }

std::string sectorText(uint64_t sector) { return "sector " + std::to_string(sector); }

std::string hexByte(uint8_t value) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 15];
}

class MbrReader {
public:
    MbrReader(const MediumReadFn& read, uint64_t mediumBytes, PartitionTable& out)
        : read_(read), mediumBytes_(mediumBytes), mediumSectors_(mediumBytes / kSectorSize), out_(out) {}

    // Adds a data partition at an absolute first sector.
    void add(int number, const MbrSlot& slot, uint64_t firstSector, bool logical) {
        std::string where = logical ? "logical volume " : "partition ";
        where += std::to_string(number);
        if (slot.start == 0 || slot.count == 0) {
            out_.problems.push_back(where + " has " + (slot.count == 0 ? "no sectors" : "a start of 0") +
                                    " and is skipped");
            return;
        }
        PartitionEntry entry;
        entry.number = number;
        entry.firstSector = firstSector;
        entry.sectorCount = slot.count;
        entry.mbrType = slot.type;
        entry.logical = logical;
        entry.typeName = MbrTypeName(slot.type);
        if (firstSector + slot.count > mediumSectors_)
            out_.problems.push_back(where + " runs past the end of the medium");
        out_.entries.push_back(std::move(entry));
    }

    void readChain(const MbrSlot& extended, int& nextNumber) {
        const uint64_t extStart = extended.start;
        const uint64_t extEnd = extStart + extended.count;
        if (extended.start == 0 || extended.count == 0) {
            out_.problems.push_back("the extended partition has " +
                                    std::string(extended.count == 0 ? "no sectors" : "a start of 0") +
                                    "; its logical volumes are skipped");
            return;
        }
        // Links must point forwards, so the chain cannot come back to an EBR it has read.
        uint64_t current = extStart;
        for (int link = 0;; ++link) {
            if (link == kMaxChainLinks) {
                out_.problems.push_back("the chain of logical volumes is longer than " +
                                        std::to_string(kMaxChainLinks) + " links; the rest is ignored");
                return;
            }
            int error = 0;
            const std::vector<uint8_t> bytes =
                ReadMediumBytes(read_, mediumBytes_, current * kSectorSize, kSectorSize, error);
            const ByteView ebr(bytes.data(), bytes.size());
            if (ebr.size() < kSectorSize || !hasSignature(ebr)) {
                out_.problems.push_back("the logical volume table at " + sectorText(current) +
                                        (ebr.size() < kSectorSize ? " cannot be read" : " has no 55 AA signature") +
                                        "; the chain stops there");
                return;
            }
            const MbrSlot logical = slotAt(ebr, 0);
            if (logical.type != 0) {
                const int number = nextNumber++;
                add(number, logical, current + logical.start, true);
                if (logical.start != 0 && logical.count != 0 && current + logical.start + logical.count > extEnd)
                    out_.problems.push_back("logical volume " + std::to_string(number) +
                                            " runs past the end of its extended partition");
            }
            const MbrSlot next = slotAt(ebr, 1);
            if (next.type == 0) return;
            const uint64_t nextSector = extStart + next.start;
            const std::string from = "the link at " + sectorText(current);
            if (!IsExtendedMbrType(next.type)) {
                out_.problems.push_back(from + " is not a link (type " + hexByte(next.type) +
                                        "); the chain stops there");
                return;
            }
            if (nextSector <= current) {
                out_.problems.push_back(from + " points back to " + sectorText(nextSector) + "; the chain stops there");
                return;
            }
            if (nextSector >= extEnd) {
                out_.problems.push_back(from + " points outside the extended partition; the chain stops there");
                return;
            }
            current = nextSector;
        }
    }

private:
    const MediumReadFn& read_;
    uint64_t mediumBytes_;
    uint64_t mediumSectors_;
    PartitionTable& out_;
};

}  // namespace

void ReadMbrTable(const MediumReadFn& read, uint64_t mediumBytes, ByteView sector0, PartitionTable& out) {
    // A boot sector of some other kind also ends in 55 AA; its bytes here are code, and a
    // status other than 0x00 or 0x80 gives it away.
    for (size_t slot = 0; slot < 4; ++slot) {
        const uint8_t status = slotAt(sector0, slot).status;
        if (status != 0x00 && status != 0x80) {
            out.problems.push_back("sector 0 ends in 55 AA, but its partition entries are not valid");
            return;
        }
    }
    out.scheme = PartitionScheme::Mbr;
    out.sectorSize = kSectorSize;
    MbrReader reader(read, mediumBytes, out);
    for (size_t slot = 0; slot < 4; ++slot) {
        const MbrSlot entry = slotAt(sector0, slot);
        if (entry.type != 0 && !IsExtendedMbrType(entry.type))
            reader.add(static_cast<int>(slot) + 1, entry, entry.start, false);
    }
    int nextNumber = 5;
    for (size_t slot = 0; slot < 4; ++slot) {
        const MbrSlot entry = slotAt(sector0, slot);
        if (IsExtendedMbrType(entry.type)) reader.readChain(entry, nextNumber);
    }
}

}  // namespace qm
