// Helpers of the deep-scan NTFS engine tests: a loop that feeds the engine every sector of an
// image in order, the way the deep-scan coordinator does, and a builder of single MFT records.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "disk/sector_reader.h"
#include "engines/professional/pro_ntfs_candidate.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "tests/support/test_support.h"

namespace qm::test {

// Little-endian store into a vector, bounds-checked.
inline void setLe(std::vector<uint8_t>& v, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
}

// Reads the engine's area in 64 KiB chunks and hands every candidate record that is not a
// directory to ParseRecord (in place, or read afresh when it crosses the chunk's end), then
// resolves the folders. Returns the number of candidates handed over.
inline uint64_t feedArea(CProfessionalNtfsRecovery& engine) {
    SectorReader& reader = engine.Reader();
    const uint32_t bps = engine.BytesPerSector();
    const uint32_t recordBytes = proNtfsRecordBytes(bps);
    const uint32_t chunkSectors = 65536 / bps;
    std::vector<uint8_t> chunk(65536), single(recordBytes);
    uint64_t handed = 0;
    const uint64_t end = engine.AreaStart() + engine.AreaSectorCount();
    for (uint64_t first = engine.AreaStart(); first < end; first += chunkSectors) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(chunkSectors, end - first));
        uint32_t got = 0;
        reader.ReadSectors(n, chunk.data(), first, bps, got);
        for (uint32_t i = 0; i < got; ++i) {
            const ByteView sector(chunk.data() + static_cast<size_t>(i) * bps, static_cast<size_t>(got - i) * bps);
            if (!isNtfsRecordCandidate(sector, bps) || candidateIsDirectory(sector)) continue;
            ++handed;
            if (sector.size() >= recordBytes) {
                engine.ParseRecord(sector.data(), recordBytes, first + i, 0, 0);
            } else {
                uint32_t read = 0;
                if (reader.ReadSectors(recordBytes / bps, single.data(), first + i, bps, read) == 0)
                    engine.ParseRecord(single.data(), single.size(), first + i, 0, 0);
            }
        }
    }
    engine.ResolveFolders();
    return handed;
}

// One 1024-byte MFT record (512-byte sectors) built attribute by attribute.
class RecordBuilder {
public:
    explicit RecordBuilder(uint32_t number, uint16_t flags = 0x0001, uint16_t usn = 0x0007) : bytes_(1024, 0) {
        std::copy_n("FILE", 4, bytes_.begin());
        setLe(bytes_, 0x14, 0x38, 2);
        setLe(bytes_, 0x16, flags, 2);
        setLe(bytes_, 0x1C, 1024, 4);
        setLe(bytes_, 0x2C, number, 4);
        setLe(bytes_, 0x30, usn, 2);
        at_ = 0x38;
    }
    RecordBuilder& fileName(uint32_t parent, const std::u16string& name, uint8_t nameSpace = 1, uint64_t size = 0) {
        std::vector<uint8_t> a(0x5A + 2 * name.size(), 0);
        setLe(a, 0x10, static_cast<uint32_t>(a.size() - 0x18), 4);
        setLe(a, 0x14, 0x18, 2);
        setLe(a, 0x18, parent, 4);
        setLe(a, 0x20, 0x01D0000000000001ull, 8);
        setLe(a, 0x48, size, 8);
        a[0x58] = static_cast<uint8_t>(name.size());
        a[0x59] = nameSpace;
        for (size_t i = 0; i < name.size(); ++i) setLe(a, 0x5A + 2 * i, name[i], 2);
        return attribute(0x30, a);
    }
    RecordBuilder& residentData(const std::vector<uint8_t>& content) {
        std::vector<uint8_t> a(0x18 + content.size(), 0);
        setLe(a, 0x10, static_cast<uint32_t>(content.size()), 4);
        setLe(a, 0x14, 0x18, 2);
        std::copy(content.begin(), content.end(), a.begin() + 0x18);
        return attribute(0x80, a);
    }
    // A non-resident $DATA whose runs are given encoded.
    RecordBuilder& runData(const std::vector<uint8_t>& runs, uint64_t allocated, uint64_t realSize,
                           uint32_t type = 0x80) {
        std::vector<uint8_t> a(0x40 + runs.size() + 1, 0);
        a[0x08] = 1;
        setLe(a, 0x20, 0x40, 2);
        setLe(a, 0x28, allocated, 8);
        setLe(a, 0x30, realSize, 8);
        setLe(a, 0x38, realSize, 8);
        std::copy(runs.begin(), runs.end(), a.begin() + 0x40);
        return attribute(type, a);
    }
    RecordBuilder& raw(uint32_t type, uint32_t length) {
        setLe(bytes_, at_, type, 4);
        setLe(bytes_, at_ + 4, length, 4);
        at_ += 8;
        return *this;
    }
    RecordBuilder& attribute(uint32_t type, std::vector<uint8_t> a) {
        a.resize((a.size() + 7) & ~size_t(7));
        setLe(a, 0, type, 4);
        setLe(a, 4, static_cast<uint32_t>(a.size()), 4);
        std::copy(a.begin(), a.end(), bytes_.begin() + at_);
        at_ += a.size();
        return *this;
    }
    // Ends the attributes, sets bytes in use and moves the words the fix-up restores.
    std::vector<uint8_t> finish() {
        setLe(bytes_, at_, 0xFFFFFFFF, 4);
        setLe(bytes_, 0x18, static_cast<uint32_t>(at_ + 8), 4);
        const uint16_t usn = static_cast<uint16_t>(bytes_[0x30] | (bytes_[0x31] << 8));
        for (int i = 0; i < 2; ++i) {
            const size_t end = 512 * (i + 1) - 2;
            bytes_[0x32 + 2 * i] = bytes_[end];
            bytes_[0x33 + 2 * i] = bytes_[end + 1];
            setLe(bytes_, end, usn, 2);
        }
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t at_;
};

// An image of zeros with records written at chosen sectors.
inline void writeImage(const std::wstring& path, uint64_t sectors,
                       const std::vector<std::pair<uint64_t, std::vector<uint8_t>>>& records) {
    std::vector<uint8_t> image(static_cast<size_t>(sectors * 512), 0);
    for (const auto& [sector, bytes] : records)
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<ptrdiff_t>(sector * 512));
    writeWholeFile(path, image);
}

}  // namespace qm::test
