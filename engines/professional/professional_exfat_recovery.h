// Files of quick-formatted or damaged exFAT volumes. The deep-mode coordinator reads every
// sector once and hands this engine the ones that hold whole entry sets with good checksums;
// each set becomes a record at once, and the folder tree is drawn at the end, when every
// folder's own set that survived has been met. Volumes come from the boot sectors met.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "disk/sector_reader.h"
#include "engines/exfat/exfat_entry_set.h"
#include "engines/exfat/exfat_volume.h"
#include "engines/fat/fat_copy_pass.h"
#include "engines/item_runs.h"
#include "engines/professional/pro_exfat_state.h"
#include "engines/store_backed_engine.h"

namespace qm {

class CProfessionalExFatRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    CProfessionalExFatRecovery() = default;
    ~CProfessionalExFatRecovery() override;

    // A second open changes nothing.
    int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) override;
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    // Keeps the reader and the area, and the area's own volume when its boot region decodes,
    // so that directories are placed even when only the free extents are read.
    int AttachSource(const Source& source) override;
    int Scan(const wchar_t*) override { return 0; }  // the coordinator drives the steps below
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;

    // The coordinator's steps, in this order. nullptr: a new log.
    int OpenExFatLog(const wchar_t* logName);
    int PrepareScan();
    // A boot sector met in the area: an exFAT volume there (or, for a backup boot sector
    // whose main one is damaged, twelve sectors before it).
    void OnBootSector(ByteView sector, uint64_t absoluteSector);
    // A sector that passes IsEntrySetSector.
    void OnDirectorySector(const uint8_t* sector, uint64_t absoluteSector);
    void FinishScan();

    // Whether the bytes hold at least one File entry whose whole set lies in them with a
    // matching set checksum, and nothing that cannot be a directory entry. Fits the carving
    // context's directory-sector hook.
    static bool IsEntrySetSector(const uint8_t* bytes, size_t length);

    bool IsOpen() const { return opened_; }
    size_t VolumeCount() const { return volumes_.size(); }

private:
    // Volumes (pro_exfat_volumes.cpp).
    // The volume whose bytes hold this medium byte offset, or -1.
    int VolumeAt(uint64_t mediumOffset) const;
    // The volume a record was found on: by its start, reopened from the medium when unknown.
    ExFatVolume* VolumeOf(const ScanRecord& record);
    bool AddVolume(const ExFatBootFields& fields, uint64_t startBytes);
    // Whether the root cluster of a volume starting here begins with the entries only a
    // root holds (allocation bitmap, up-case table, label).
    bool RootFitsAt(const ExFatBootFields& fields, uint64_t startBytes);
    uint64_t MediumBytes() const;

    // Sets (pro_exfat_sets.cpp).
    void OnSet(const ExFatEntrySet& set, uint64_t entryMediumOffset);
    int Condition(int volume, const ScanRecord& r) const;

    // The tree (pro_exfat_tree.cpp).
    void ResolveTree();

    RecordCopier Copier();

    bool opened_ = false;
    SectorReader reader_;
    uint32_t sectorSize_ = 512;
    uint64_t areaStart_ = 0;
    uint16_t volumeTag_ = 0;
    // The area's own volume, read at attach; kept across scans.
    bool areaVolumeKnown_ = false;
    ExFatVolume areaVolume_;

    std::vector<ExFatVolume> volumes_;
    std::vector<proexfat::PendingEntry> pending_;
    std::vector<proexfat::PendingFolder> folders_;
    // Directory sectors met without any volume: consecutive ones are kept as one lost folder.
    std::vector<proexfat::LooseFolder> loose_;
    uint64_t lastLooseSector_ = UINT64_MAX;
    std::vector<uint8_t> setBuffer_;
    std::vector<uint8_t> scratch_;
};

}  // namespace qm
