// Finding a found file's $DATA on a volume that is known only through the record: its
// start sector and cluster size come from the record, not from a boot sector.
#pragma once
#include <cstdint>
#include <functional>

#include "disk/byte_view.h"
#include "disk/sector_reader.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_volume.h"

namespace qm {

// Reads the record of a given number (through the MFT's runs) into a buffer, fixed up.
using ProNtfsRecordReader = std::function<int(uint64_t number, std::vector<uint8_t>& record)>;

// The unnamed $DATA of a fixed-up record, with the pieces its attribute list names in other
// records. kNtfsNoAttribute when there is none.
int locateProNtfsData(ByteView record, const NtfsVolumeGeometry& geometry, SectorReader& reader,
                      const ProNtfsRecordReader& readRecord, NtfsStream& out);

}  // namespace qm
