#include "engines/exfat/exfat_entry_set.h"

#include "engines/exfat/exfat_time.h"
#include "platform/text.h"

namespace qm {

using namespace exfatentry;

uint16_t ExFatSetChecksum(ByteView set) {
    uint16_t sum = 0;
    for (size_t i = 0; i < set.size(); ++i) {
        if (i == kSetChecksum || i == kSetChecksum + 1) continue;
        sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + set.u8(i));
    }
    return sum;
}

ExFatSetStatus ParseExFatEntrySet(ByteView dir, size_t offset, ExFatEntrySet& out) {
    out = ExFatEntrySet{};
    if (!dir.has(offset, kSize)) return ExFatSetStatus::Cut;
    const ByteView file = dir.sub(offset, kSize);
    const uint8_t type = file.u8(0);
    if ((type & ~kInUse) != (kTypeFile & ~kInUse)) return ExFatSetStatus::Damaged;
    // A deleted File entry takes only deleted secondaries, an in-use one only in-use ones.
    const uint8_t state = type & kInUse;
    const uint8_t secondaries = file.u8(kSecondaryCount);
    if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) return ExFatSetStatus::Damaged;
    const size_t count = size_t{1} + secondaries;
    if (!dir.has(offset, count * kSize)) return ExFatSetStatus::Cut;
    const ByteView set = dir.sub(offset, count * kSize);

    const ByteView stream = set.sub(kSize, kSize);
    if (stream.u8(0) != ((kTypeStream & ~kInUse) | state)) return ExFatSetStatus::Damaged;
    const size_t nameLength = stream.u8(kNameLength);
    size_t nameEntries = 0;
    while (2 + nameEntries < count && set.u8((2 + nameEntries) * kSize) == ((kTypeName & ~kInUse) | state))
        ++nameEntries;
    if (nameLength == 0 || nameLength > nameEntries * kUnitsPerNameEntry) return ExFatSetStatus::Damaged;

    for (size_t i = 0; i < nameLength; ++i) {
        const size_t entry = 2 + i / kUnitsPerNameEntry;
        out.rawName.push_back(static_cast<char16_t>(set.u16(entry * kSize + kNameUnits + 2 * (i % kUnitsPerNameEntry))));
    }
    out.name = platform::fromUtf16(out.rawName);
    out.offset = offset;
    out.entryCount = count;
    out.deleted = state == 0;
    out.attributes = file.u16(kAttributes);
    out.directory = (out.attributes & kAttributeDirectory) != 0;
    out.created = ExFatTimeToFileTime(file.u32(kCreated), file.u8(kCreated10ms), file.u8(kCreatedUtcOffset));
    out.modified = ExFatTimeToFileTime(file.u32(kModified), file.u8(kModified10ms), file.u8(kModifiedUtcOffset));
    out.accessed = ExFatTimeToFileTime(file.u32(kAccessed), 0, file.u8(kAccessedUtcOffset));
    const uint8_t flags = stream.u8(kStreamFlags);
    out.allocationPossible = (flags & kAllocationPossible) != 0;
    out.contiguous = (flags & kNoFatChain) != 0;
    out.nameHash = stream.u16(kNameHash);
    out.validDataLength = stream.u64(kValidDataLength);
    out.firstCluster = stream.u32(kFirstCluster);
    out.dataLength = stream.u64(kDataLength);
    // Deleting clears the in-use bits the checksum was taken over: sum the set as it was.
    uint16_t sum = 0;
    if (state) {
        sum = ExFatSetChecksum(set);
    } else {
        std::vector<uint8_t> live(set.data(), set.data() + set.size());
        for (size_t e = 0; e < count; ++e) live[e * kSize] |= kInUse;
        sum = ExFatSetChecksum(ByteView(live.data(), live.size()));
    }
    out.checksumOk = sum == file.u16(kSetChecksum);
    return ExFatSetStatus::Ok;
}

ExFatDirectoryWalk ForEachEntrySet(ByteView dir, const std::function<void(const ExFatEntrySet&)>& onSet) {
    ExFatDirectoryWalk walk;
    ExFatEntrySet set;
    // Every step moves forward by at least one entry: the walk ends within the buffer.
    for (size_t at = 0; dir.has(at, kSize);) {
        if ((dir.u8(at) & ~kInUse) != (kTypeFile & ~kInUse)) {
            at += kSize;
            continue;
        }
        switch (ParseExFatEntrySet(dir, at, set)) {
            case ExFatSetStatus::Ok:
                ++walk.sets;
                onSet(set);
                at += set.entryCount * kSize;
                break;
            case ExFatSetStatus::Cut:
                // A stale count may reach past the end while whole sets still follow it.
                ++walk.cut;
                at += kSize;
                break;
            case ExFatSetStatus::Damaged:
                ++walk.damaged;
                at += kSize;
                break;
        }
    }
    return walk;
}

}  // namespace qm
