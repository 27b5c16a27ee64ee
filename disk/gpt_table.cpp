// GPT: the primary header at sector 1 and its entries; when either fails its CRC32, the backup
// header at the medium's end. The logical sector size is not known up front: 512 and 4096 are
// both tried, and the one whose header holds decides.
#include <algorithm>
#include <string>

#include "disk/gpt_header.h"
#include "disk/partition_table_readers.h"

namespace qm {
namespace {

constexpr uint32_t kSectorSizes[] = {512, 4096};

class GptReader {
public:
    GptReader(const MediumReadFn& read, uint64_t mediumBytes) : read_(read), mediumBytes_(mediumBytes) {}

    std::vector<uint8_t> sector(uint32_t sectorSize, uint64_t lba) {
        int error = 0;
        if (lba >= mediumBytes_ / sectorSize) return {};
        return ReadMediumBytes(read_, mediumBytes_, lba * sectorSize, sectorSize, error);
    }

    // The header at `lba` and its entries, both checked; `why` says what failed.
    bool load(uint32_t sectorSize, uint64_t lba, GptHeader& header, std::vector<uint8_t>& entries, std::string& why) {
        const std::vector<uint8_t> bytes = sector(sectorSize, lba);
        if (!DecodeGptHeader(ByteView(bytes.data(), bytes.size()), sectorSize, lba, mediumBytes_ / sectorSize, header,
                             why))
            return false;
        int error = 0;
        const size_t arrayBytes = static_cast<size_t>(header.entryCount) * header.entrySize;
        entries = ReadMediumBytes(read_, mediumBytes_, header.entriesLba * sectorSize, arrayBytes, error);
        if (!GptEntriesMatch(header, ByteView(entries.data(), entries.size()))) {
            why = entries.size() < arrayBytes ? "entries that cannot be read" : "entries whose CRC32 does not match";
            return false;
        }
        return true;
    }

private:
    const MediumReadFn& read_;
    uint64_t mediumBytes_;
};

void take(PartitionTable& out, uint32_t sectorSize, const GptHeader& header, const std::vector<uint8_t>& entries,
          uint64_t mediumBytes) {
    out.scheme = PartitionScheme::Gpt;
    out.sectorSize = sectorSize;
    DecodeGptEntries(header, ByteView(entries.data(), entries.size()), mediumBytes / sectorSize, out);
}

}  // namespace

bool ReadGptTable(const MediumReadFn& read, uint64_t mediumBytes, bool protectiveMbr, bool mbrSignature,
                  PartitionTable& out) {
    GptReader reader(read, mediumBytes);
    GptHeader header;
    std::vector<uint8_t> entries;
    std::string why;

    // The primary header: a sector size whose sector 1 has no signature at all is simply not
    // the one the table was written for.
    std::vector<uint32_t> withSignature;
    std::vector<std::string> primaryProblems;
    for (uint32_t sectorSize : kSectorSizes) {
        const std::vector<uint8_t> bytes = reader.sector(sectorSize, 1);
        if (!HasGptSignature(ByteView(bytes.data(), bytes.size()))) continue;
        if (reader.load(sectorSize, 1, header, entries, why)) {
            take(out, sectorSize, header, entries, mediumBytes);
            return true;
        }
        withSignature.push_back(sectorSize);
        primaryProblems.push_back("the primary GPT header (" + std::to_string(sectorSize) + "-byte sectors) has " + why);
    }
    if (withSignature.empty() && !protectiveMbr) return false;
    if (withSignature.empty()) primaryProblems.push_back("a protective MBR, but no GPT header at sector 1");
    out.problems.insert(out.problems.end(), primaryProblems.begin(), primaryProblems.end());

    // The backup: where the damaged primary says, else the last sector. Sizes whose primary
    // had a signature are tried first.
    std::vector<uint32_t> sizes = withSignature;
    for (uint32_t sectorSize : kSectorSizes)
        if (std::find(sizes.begin(), sizes.end(), sectorSize) == sizes.end()) sizes.push_back(sectorSize);
    for (uint32_t sectorSize : sizes) {
        const uint64_t mediumSectors = mediumBytes / sectorSize;
        if (mediumSectors < 3) continue;
        std::vector<uint64_t> places;
        const std::vector<uint8_t> primary = reader.sector(sectorSize, 1);
        const uint64_t alternate = GptAlternateLba(ByteView(primary.data(), primary.size()));
        if (alternate > 1 && alternate < mediumSectors) places.push_back(alternate);
        if (alternate != mediumSectors - 1) places.push_back(mediumSectors - 1);
        for (uint64_t lba : places) {
            const std::vector<uint8_t> bytes = reader.sector(sectorSize, lba);
            if (!HasGptSignature(ByteView(bytes.data(), bytes.size()))) continue;
            if (reader.load(sectorSize, lba, header, entries, why)) {
                out.usedBackupGpt = true;
                out.problems.push_back("the backup GPT header at sector " + std::to_string(lba) + " is used");
                take(out, sectorSize, header, entries, mediumBytes);
                return true;
            }
            out.problems.push_back("the backup GPT header at sector " + std::to_string(lba) + " (" +
                                   std::to_string(sectorSize) + "-byte sectors) has " + why);
        }
    }
    if (!protectiveMbr && mbrSignature) return false;  // a stray signature: sector 0 holds an MBR
    out.scheme = PartitionScheme::Gpt;
    out.problems.push_back("no usable GPT header; no partitions are listed");
    return true;
}

}  // namespace qm
