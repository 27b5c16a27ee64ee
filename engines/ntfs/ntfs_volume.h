// An opened NTFS volume: its geometry, the MFT's run list, and reading records and the
// streams they describe. All medium bytes come through the sector reader.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "disk/sector_reader.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {

// Results the NTFS engines use among themselves.
inline constexpr int kNtfsNoFileRecord = -1;
inline constexpr int kNtfsNoAttribute = -100;
inline constexpr int kNtfsNotResident = -101;

// Single records are read into buffers this large; walks still end at the record's size.
inline constexpr size_t kNtfsRecordReadBytes = 8192;

// One attribute's content, wherever it lies: resident bytes or runs on the medium.
struct NtfsStream {
    bool resident = false;
    std::vector<uint8_t> residentBytes;
    RunList runs;
    uint64_t realSize = 0;
    uint64_t initializedSize = 0;
    uint16_t flags = 0;
    uint8_t compressionUnitLog = 0;
    bool compressed() const { return (flags & 0x0001) != 0 && compressionUnitLog != 0; }
};

// A stream's residency, flags, sizes and resident bytes from its attribute; runs are not decoded.
void takeNtfsStreamHeader(const NtfsAttribute& attribute, NtfsStream& out);

class NtfsVolume {
public:
    // Reads the boot sector at firstSector (device sector size) and takes the geometry.
    int open(SectorReader&& reader, uint64_t firstSector, uint64_t sectorCount, uint32_t deviceSectorSize);
    void close() { reader_.Close(); }

    const NtfsVolumeGeometry& geometry() const { return geometry_; }
    const RunList& mftRuns() const { return mftRuns_; }
    SectorReader& reader() { return reader_; }

    // Loads the MFT's own run list from record 0, following its attribute list.
    int loadMftRuns();
    void setMftRuns(RunList runs) { mftRuns_ = std::move(runs); }

    // Reads whole sectors; 30 when the medium delivers nothing, the read error otherwise.
    int readSectors(uint64_t firstSector, uint32_t count, uint8_t* buffer);
    // One record by number through the MFT's runs, sector by sector (a record may straddle
    // two runs on volumes with 512-byte clusters); fixed up when it carries "FILE". A number
    // the MFT does not cover gives a zeroed buffer, which fails the signature test.
    int readRecord(uint64_t number, std::vector<uint8_t>& buffer);
    // One record at an absolute sector; fixed up when it carries "FILE".
    int readRecordAt(uint64_t sector, std::vector<uint8_t>& buffer);

    // The stream of an attribute type (for $DATA the unnamed one) of a fixed-up base record,
    // with every piece the record's attribute list names. kNtfsNoAttribute when there is none.
    int findStream(ByteView record, uint32_t type, NtfsStream& out);
    // findStream on the record at a sector: kNtfsNoFileRecord without the signature.
    int findStreamAt(uint64_t sector, uint32_t type, NtfsStream& out);

    // Visits the attributes of a type that the record's attribute list places in other
    // records (large folders keep even their names there); each listed record is read once.
    // kNtfsNoAttribute when the record has no list.
    int forEachListedAttribute(ByteView record, uint32_t type, const std::function<bool(const NtfsAttribute&)>& visit);

    // Reads a stream's first `size` bytes (sparse runs as zeros, compressed units
    // decompressed) and hands them on in pieces of at most 64 KiB; a non-zero result of
    // sink stops the read and is returned.
    int readStream(const NtfsStream& stream, uint64_t size,
                   const std::function<int(const uint8_t*, size_t)>& sink);

private:
    using RecordMapper = std::function<int(uint64_t, std::vector<uint8_t>&)>;
    int findStreamWith(ByteView record, uint32_t type, NtfsStream& out, const RecordMapper& map);
    int readAttributeList(ByteView record, std::vector<uint8_t>& list);

    SectorReader reader_;
    NtfsVolumeGeometry geometry_;
    RunList mftRuns_;
};

}  // namespace qm
