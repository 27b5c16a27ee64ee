// Files of NTFS volumes whose boot sector, MFT location or layout can no longer be trusted
// (typically after a quick format). The deep scan hands this engine every sector that looks
// like the start of an MFT record; each is parsed on its own, folders are rebuilt by reading
// parent records relative to the record found, and resolved after the scan.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "disk/sector_reader.h"
#include "engines/item_runs.h"
#include "engines/ntfs/ntfs_copy_out.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_volume.h"
#include "engines/professional/pro_ntfs_placement.h"
#include "engines/store_backed_engine.h"

namespace qm {

struct NtfsBootFields;
struct NtfsFileName;

class CProfessionalNtfsRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    // Hostile media (every sector a record naming a new parent) must not grow this without end.
    static constexpr size_t kMaxPendingFolders = 1u << 16;
    // Real paths are far shallower; deeper chains are damage.
    static constexpr uint32_t kMaxAncestorDepth = 1024;

    CProfessionalNtfsRecovery() = default;
    ~CProfessionalNtfsRecovery() override;

    int AttachSource(const Source& source) override;
    // The coordinator drives this engine through OpenLog, ParseRecord and ResolveFolders.
    int Scan(const wchar_t*) override { return 0; }
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // The $DATA runs, or the record's bytes for resident data (pro_ntfs_item_runs.cpp).
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;

    // Starts (null or empty name: a new "Pro_Ntfs_" log) or re-opens the engine's log.
    int OpenLog(const wchar_t* logName);
    // One record found at a sector. Phase 0: a candidate of the scan (directories skipped);
    // phase 1: a folder being resolved, `number` the record number it was read for.
    // 0 when taken or passed over, -1 without the "FILE" signature, 87 for a bad header.
    int ParseRecord(const uint8_t* bytes, size_t size, uint64_t foundSector, int phase, uint32_t number);
    // Turns the folders collected on the found files' paths into folder records.
    int ResolveFolders();
    // An NTFS boot sector met inside the area (a partition of a scanned disk): its MFT is
    // placed before the scan meets the records, with that volume's record size and cluster size.
    void OnBootSector(ByteView sector, uint64_t absoluteSector);
    // The record size of a volume met whose sectors are larger than the medium's (its records
    // are candidates too), or 0.
    uint32_t VolumeRecordBytes() const { return volumeRecordBytes_; }
    // The runs of the first unnamed $DATA of the record at a sector: -1 without a record,
    // 87 behind an attribute list, -101 when the data is resident (it has no clusters),
    // -100 without $DATA, else 0.
    int findRunsInRecord(uint64_t sector, RunList& runs);
    uint32_t BytesPerSector() const { return static_cast<uint32_t>(layout_.bytesPerSector); }
    uint64_t AreaStart() const { return areaStart_; }
    uint64_t AreaSectorCount() const { return areaSectors_; }
    int32_t SectorsPerCluster() const { return spc_; }
    size_t PendingFolderCount() const { return pending_.size(); }
    size_t MftMapSize() const { return mftMap_.size(); }
    SectorReader& Reader() { return reader_; }

private:
    struct PendingFolder {
        uint32_t number = 0;
        int32_t spc = 0;
        uint32_t recordSectors = 0;
        uint64_t base = 0;
        SharedRuns runs;
    };

    int OpenArea(uint64_t firstSector, uint64_t sectorCount, uint32_t sectorSize);
    // Enters the MFT a decoded boot sector at `volumeStart` names; the volume's sectors per
    // cluster in the medium's sectors, or 0 when its sectors cannot be counted in the medium's.
    int32_t EnterBootMft(const NtfsBootFields& fields, uint64_t volumeStart);
    // The layout of a record: the size its header states when that is another volume's
    // record size this medium can hold, else the medium's own.
    NtfsVolumeGeometry LayoutOf(ByteView record) const;
    // Reads a whole record in its own layout (in `layout` when asked).
    int ReadRecordAt(uint64_t sector, std::vector<uint8_t>& buffer, NtfsVolumeGeometry* layout = nullptr);
    int RunsInRecord(ByteView record, RunList& runs) const;
    int ParseWith(int32_t spc, const uint8_t* bytes, size_t size, uint64_t sector, int phase, uint32_t number);
    int WalkAncestors(uint32_t number, uint64_t base, int32_t spc, uint32_t recordSectors, uint32_t& depth,
                      std::unordered_set<uint32_t>& visited, const SharedRuns& runs);
    void AddPending(uint32_t number, int32_t spc, uint32_t recordSectors, uint64_t base, const SharedRuns& runs);
    void AddLostFolder(uint32_t number);
    int JudgeContent(const ScanRecord& record, ByteView residentData, bool hasData, bool resident, int64_t firstCluster,
                     uint16_t dataFlags);
    NtfsVolumeGeometry GeometryOf(const ScanRecord& record, const NtfsVolumeGeometry& layout) const;

    // The unnamed $DATA of a found file's fixed-up record, attribute list followed.
    int LocateData(ByteView record, const ScanRecord& r, NtfsStream& stream);
    // Content of a found file, handed on in pieces; fromRuns tells non-resident data.
    int ReadContent(const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns);
    NtfsContentReader ContentReader();

    SectorReader reader_;
    bool opened_ = false;
    uint16_t tag_ = 0;
    uint64_t areaStart_ = 0;
    uint64_t areaSectors_ = 0;
    NtfsVolumeGeometry layout_;  // record size and fix-up layout of the device's sector size
    int32_t spc_ = 8;            // current sectors per cluster
    uint32_t volumeRecordBytes_ = 0;

    MftMap mftMap_;
    std::vector<PendingFolder> pending_;
    std::unordered_set<uint32_t> pendingNumbers_;
    std::unordered_set<uint32_t> lostFolders_;
    std::vector<uint8_t> record_, ancestor_, resolve_;
};

}  // namespace qm
