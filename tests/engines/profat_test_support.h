// Helpers of the professional FAT engine tests: the loop that feeds an image's sectors to
// the engine in order, as the deep-mode coordinator does, a scanned tree as paths, and small
// hand-made directory entries and sectors.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/pro_fat_directory_sector.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace qm::profattest {

// A copy of a field of a packed record: the test macros take their arguments by reference,
// which a packed field cannot give.
template <class T>
T Val(T value) {
    return value;
}

// Every sector of the image from the start, in 64 KiB chunks: subdirectory heads and
// directory sectors go to their handlers. Returns the sectors fed.
inline uint64_t FeedImage(CProfessionalFatRecovery& engine, const std::wstring& image, bool bootSectors = false) {
    platform::File file;
    EXPECT_EQ(0, file.open(image, platform::OpenMode::ReadExisting));
    const uint32_t sectorSize = engine.SectorSize();
    std::vector<uint8_t> chunk(65536);
    uint64_t sector = 0;
    for (;;) {
        size_t got = 0;
        platform::readFully(file, chunk.data(), chunk.size(), got);
        const size_t sectors = got / sectorSize;
        for (size_t i = 0; i < sectors; ++i) {
            const uint8_t* s = chunk.data() + i * sectorSize;
            const ByteView v(s, sectorSize);
            if (bootSectors && v.u8(510) == 0x55 && v.u8(511) == 0xAA) engine.OnBootSector(v, sector + i);
            if (IsDotPair(v.sub(0, 32), v.sub(32, 32)))
                engine.OnSubdirectoryHead(s, sector + i);
            else if (CProfessionalFatRecovery::IsDirectorySector(s, sectorSize))
                engine.OnDirectorySector(s, sector + i);
        }
        sector += sectors;
        if (got < chunk.size()) break;
    }
    return sector;
}

// An engine over an image with its logs in `logs`, scanned from the first sector to the last.
inline std::unique_ptr<CProfessionalFatRecovery> ScanImage(const std::wstring& image, const std::wstring& logs,
                                                           bool bootSectors = false) {
    auto engine = std::make_unique<CProfessionalFatRecovery>();
    engine->SetLogFolder(logs);
    EXPECT_EQ(0, engine->OpenImage(image, 'P'));
    EXPECT_EQ(0, engine->OpenFatLog(nullptr));
    EXPECT_EQ(0, engine->PrepareFatScan());
    FeedImage(*engine, image, bootSectors);
    engine->FinishFatScan();
    return engine;
}

// As ScanImage, with the sectors that end in 55 AA offered as boot sectors too, as the
// deep-mode coordinator offers them.
inline std::unique_ptr<CProfessionalFatRecovery> ScanImageWithBootSectors(const std::wstring& image,
                                                                         const std::wstring& logs) {
    return ScanImage(image, logs, true);
}

struct ListedItem {
    ScanRecord record;
    int level = 0;  // the level its children are listed with
};

// Every record reachable from the root, by "/"-separated path.
inline std::map<std::string, ListedItem> ListTree(IFileRecoveryParse& engine) {
    std::map<std::string, ListedItem> out;
    struct Pending {
        ScanRecord record;
        bool root;
        int level;
        std::string path;
    };
    std::vector<Pending> queue{{ScanRecord{}, true, 0, ""}};
    for (size_t i = 0; i < queue.size() && i < 4096; ++i) {
        std::vector<ScanRecord> children;
        const Pending item = queue[i];
        EXPECT_EQ(0, engine.ListFolder(item.root ? nullptr : &item.record, item.level, children));
        for (const ScanRecord& child : children) {
            const std::string path = item.path + recordName(child);
            out[path] = ListedItem{child, item.level + 1};
            if (child.isFolder) queue.push_back({child, false, item.level + 1, path + "/"});
        }
    }
    return out;
}

// A 32-byte short entry: 11 name bytes as written on disk, attributes, first cluster, size,
// and a plausible creation and write time (2021-06-15 12:30).
inline std::vector<uint8_t> ShortEntry(const char* name11, uint8_t attributes, uint32_t cluster, uint32_t size) {
    std::vector<uint8_t> e(32, 0);
    std::memcpy(e.data(), name11, 11);
    e[11] = attributes;
    const uint16_t date = static_cast<uint16_t>(((2021 - 1980) << 9) | (6 << 5) | 15);
    const uint16_t time = static_cast<uint16_t>((12 << 11) | (30 << 5));
    putU16(&e[14], time);
    putU16(&e[16], date);
    putU16(&e[18], date);
    putU16(&e[20], static_cast<uint16_t>(cluster >> 16));
    putU16(&e[22], time);
    putU16(&e[24], date);
    putU16(&e[26], static_cast<uint16_t>(cluster));
    putU32(&e[28], size);
    return e;
}

// The long-name entries of `name` for the short entry `shortEntry`, in disk order (last part
// first).
inline std::vector<std::vector<uint8_t>> LongNameEntries(const std::u16string& name,
                                                         const std::vector<uint8_t>& shortEntry) {
    const uint8_t checksum = profat::ShortNameChecksum(ByteView(shortEntry.data(), 11));
    std::u16string padded = name;
    padded.push_back(u'\0');
    while (padded.size() % 13) padded.push_back(u'\xFFFF');
    const size_t parts = padded.size() / 13;
    static const size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::vector<std::vector<uint8_t>> out;
    for (size_t p = parts; p-- > 0;) {
        std::vector<uint8_t> e(32, 0);
        e[0] = static_cast<uint8_t>((p + 1) | (p + 1 == parts ? 0x40 : 0));
        e[11] = 0x0F;
        e[13] = checksum;
        for (size_t k = 0; k < 13; ++k) putU16(&e[kOffsets[k]], static_cast<uint16_t>(padded[p * 13 + k]));
        out.push_back(e);
    }
    return out;
}

// Entries laid out one after another from the start of a zeroed buffer.
inline void PlaceEntries(std::vector<uint8_t>& bytes, size_t firstEntry, const std::vector<std::vector<uint8_t>>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) std::memcpy(&bytes[(firstEntry + i) * 32], entries[i].data(), 32);
}

// The "." and ".." entries of a subdirectory.
inline std::vector<std::vector<uint8_t>> DotEntries(uint32_t self, uint32_t parent) {
    return {ShortEntry(".          ", 0x10, self, 0), ShortEntry("..         ", 0x10, parent, 0)};
}

}  // namespace qm::profattest
