// Files of formatted, repartitioned or damaged FAT volumes. The deep-mode coordinator reads
// every sector once and hands this engine the ones that look like directories; from "."
// entries the engine learns where clusters lie, turns directory entries into records, and
// later reads a file back as consecutive clusters.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "disk/byte_view.h"
#include "disk/fat_boot_sector.h"
#include "disk/sector_reader.h"
#include "engines/fat/fat_copy_pass.h"
#include "engines/item_runs.h"
#include "engines/professional/pro_fat_geometry.h"
#include "engines/professional/pro_fat_state.h"
#include "engines/store_backed_engine.h"

namespace qm {

class CProfessionalFatRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    // Bytes read at the area start in search of a boot sector.
    static constexpr uint32_t kBootAreaBytes = 4096;

    CProfessionalFatRecovery() = default;
    ~CProfessionalFatRecovery() override;

    // A second open changes nothing.
    int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) override;
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    int AttachSource(const Source& source) override;
    int Scan(const wchar_t*) override { return 0; }  // the coordinator drives the steps below
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // Consecutive clusters from the first, as the copy reads them (pro_fat_copy.cpp).
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;

    // The coordinator's steps, in this order.
    int OpenFatLog(const wchar_t* logName);
    int PrepareFatScan();
    // A sector that begins with "." and "..".
    void OnSubdirectoryHead(const uint8_t* sector, uint64_t absoluteSector);
    // A FAT boot sector met inside the area (a partition of a scanned disk, a volume moved
    // into an image): its geometry places that volume's directories even when only one of
    // its folders survived, where sightings alone would need two. A FAT32 copy places the
    // volume at the start it was copied from. A FAT12/16 volume's fixed root is read at once.
    void OnBootSector(ByteView sector, uint64_t absoluteSector);
    // A sector that passes IsDirectorySector and is not a subdirectory head.
    void OnDirectorySector(const uint8_t* sector, uint64_t absoluteSector);
    void FinishFatScan();

    // Whether a sector holds nothing but plausible directory entries; fits the carving
    // context's FatDirectorySectorTest hook.
    static bool IsDirectorySector(const uint8_t* bytes, size_t length);
    bool IsOpen() const { return opened_; }
    uint32_t SectorSize() const { return sectorSize_; }
    uint64_t AreaStart() const { return areaStart_; }
    uint64_t AreaSectors() const { return areaSectors_; }
    const profat::FatGeometryList& Geometries() const { return geometries_; }
    size_t FragmentCount() const { return fragments_.size(); }
    size_t HeldSectorCount() const { return held_.size(); }
    size_t WaitingFileCount() const { return waiting_.size(); }
    size_t FolderCount() const { return folders_.size(); }

private:
    // Boot sectors (pro_fat_boot.cpp).
    std::optional<profat::FatGeometry> BootGeometry(ByteView view, uint64_t volumeStart,
                                                    qm::FatGeometry& decoded) const;
    // Whether the decoded volume's tables and root directory lie where a start here puts them.
    bool LayoutFitsAt(const qm::FatGeometry& decoded, uint64_t start);
    // The start of the volume when the FAT32 boot sector at `sector` is the copy its own
    // fields place there, and the volume's layout fits that start rather than `sector`.
    std::optional<uint64_t> BackupVolumeStart(const qm::FatGeometry& decoded, uint64_t sector);
    // Makes the geometry the area's own (index 0) when nothing came before; false otherwise.
    bool TakeAreaBootGeometry(const profat::FatGeometry& g, const qm::FatGeometry& decoded);
    // Fixed roots (pro_fat_fixed_root.cpp): the root of a FAT12/16 volume whose boot sector
    // was met, parsed as a directory under that volume's geometry, once per scan.
    void ReadFixedRoot(int geometry, const qm::FatGeometry& decoded);
    bool InFixedRootRead(uint64_t sector) const;
    // Scanning (pro_fat_sectors.cpp, pro_fat_parse.cpp, pro_fat_finish.cpp).
    void ClearScanState();
    // Parses directory entries; returns the directory they were settled in. An unfinished
    // long name at the end comes back in `tail`.
    // With `settled`, the buffer is known to be that directory's.
    uint32_t ParseBuffer(int geometry, const profat::DirBuffer& buffer, uint32_t assumedDirectory,
                         std::optional<profat::NameFragment>& tail, bool settled = false);
    // Parses and keeps whatever long name the buffer leaves unfinished.
    uint32_t ParseAndKeepTail(int geometry, const profat::DirBuffer& buffer, uint32_t assumedDirectory,
                              bool settled = false);
    uint32_t SettleDirectory(int geometry, const profat::DirBuffer& buffer, uint32_t assumed);
    // Returns the folder that later entries belong to ("." entries change it).
    uint32_t OnFolderEntry(int geometry, ByteView entry, const std::string& longName, uint32_t current);
    void OnFileEntry(int geometry, ByteView entry, const std::string& longName, uint32_t current, uint64_t entrySector);
    void WriteFile(int geometry, ScanRecord record, uint32_t directory);
    void MarkFoldersWithFiles(int geometry, uint32_t directory);
    // Keeps a buffer's unfinished long name, or joins it at once with a held sector.
    void KeepFragment(profat::NameFragment fragment);
    // The fragment the sector continues, or -1.
    int FragmentContinuedBy(const uint8_t* sector, uint64_t absoluteSector) const;
    bool HeldContinues(const profat::NameFragment& fragment, uint64_t heldSector, const uint8_t* bytes) const;
    void JoinFragment(size_t index, const uint8_t* sector, uint64_t absoluteSector);
    void Hold(const uint8_t* sector, uint64_t absoluteSector);
    // Parses a sector that a geometry places as the first sector of a cluster (or inside a
    // fixed root); with `insideCluster`, also one whose cluster begins with "." and "..".
    bool PlaceByGeometry(const uint8_t* sector, uint64_t absoluteSector, bool insideCluster);
    bool FixedRootAllowed(int geometry) const;
    void StartRun(int geometry, uint32_t directory, uint64_t clusterFirst, uint32_t clusterSectors, uint64_t sector);
    void EmitFolders();
    void WriteWaitingFiles();

    // Reading the medium under a geometry (pro_fat_probe.cpp).
    bool ReadSector(uint64_t sector, std::vector<uint8_t>& out);
    bool ReadClusterHead(int geometry, uint32_t cluster, std::vector<uint8_t>& out);
    // The ".." cluster named by a cluster's first sector, when it begins with "." and "..".
    bool DotDotOf(int geometry, uint32_t cluster, uint32_t& parent);
    uint32_t FolderLevel(int geometry, uint32_t cluster);
    ParentKey KeyFor(int geometry, uint32_t directory);
    uint16_t FindFolderHighWord(int geometry, uint16_t low);
    uint16_t FindFileHighWord(int geometry, uint16_t low, const std::string& extension);
    int CheckContent(int geometry, const std::string& name, uint32_t cluster, uint64_t size);
    bool IsRoot(uint32_t cluster) const { return cluster < 2 || cluster == rootCluster_; }
    uint32_t RootOr(uint32_t cluster) const { return cluster < 2 ? rootCluster_ : cluster; }
    uint64_t MediumEnd() const;

    // Copying out (pro_fat_copy.cpp): reads a found file's data as consecutive clusters.
    RecordCopier Copier();

    bool opened_ = false;
    SectorReader reader_;
    uint64_t areaStart_ = 0;
    uint64_t areaSectors_ = 0;
    uint64_t scanEnd_ = 0;  // the end of the area the coordinator reads
    uint16_t volumeTag_ = 0;
    uint32_t sectorSize_ = kDefaultSectorSize;

    profat::FatGeometryList geometries_;
    bool bootGeometry_ = false;
    bool fat32_ = true;  // cluster high words count unless a boot sector says FAT12/16
    uint32_t rootCluster_ = 0;
    std::map<uint32_t, profat::FolderEntry> folders_;
    std::map<uint32_t, profat::FolderWithFiles> foldersWithFiles_;
    std::vector<profat::WaitingFile> waiting_;
    std::deque<profat::NameFragment> fragments_;
    std::map<uint64_t, profat::HeldSector> held_;
    // Fixed roots already read, as [first, end) sectors; at most one per geometry.
    std::vector<std::pair<uint64_t, uint64_t>> rootsRead_;
    size_t heldBytes_ = 0;
    profat::CurrentRun run_;
    std::unordered_map<uint64_t, uint32_t> levels_;  // (geometry, cluster) -> folder level
    std::vector<uint8_t> scratch_;
    uint64_t filesFound_ = 0;
};

}  // namespace qm
