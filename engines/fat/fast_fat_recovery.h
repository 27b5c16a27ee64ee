// Deleted files on FAT12/16/32 volumes: reads the directory tree breadth-first, records
// every deleted file and the folders that lead to it, and copies files back by their chains.
#pragma once
#include <cstdint>
#include <string>

#include "engines/fat/fat_copy_pass.h"
#include "engines/fat/fat_directory_walk.h"
#include "engines/fat/fat_free_map.h"
#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"
#include "engines/item_runs.h"
#include "engines/store_backed_engine.h"

namespace qm {

class CFastFatRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    // The first bytes of the volume read at open: the boot sector and, for a damaged one, the
    // FAT32 copy at sector 6.
    static constexpr uint32_t kBootAreaBytes = 16384;

    CFastFatRecovery();
    ~CFastFatRecovery() override;

    // A second open changes nothing.
    int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) override;
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    int AttachSource(const Source& source) override;
    int Scan(const wchar_t* logName) override;
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override;
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int NextFreeExtent(uint64_t& position, uint64_t& length) override;
    int SetListCallback(ListProgressFn listProgress, void* userData) override;
    int BuildFreeMap() override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // The chain as the copy follows it (fat_item_runs.cpp).
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;
    bool IsOpen() const { return opened_; }
    const FatVolume& Volume() const { return volume_; }
    FatTable& Table() { return table_; }

private:
    // Reads the boot area and prepares volume, table and reader. startBytes: where the
    // volume begins on the medium; mediumBytes: the medium's usable length from there.
    int OpenVolume(uint64_t startBytes, uint64_t mediumBytes);
    int OpenLog(const std::wstring& logName, bool fresh = false);
    int RootKey(const ScanRecord* folder, int level, ParentKey& key) const;
    // Reads a found file's data along its chain.
    RecordCopier Copier();

    bool opened_ = false;
    uint64_t partitionStart_ = 0;  // as given at open, in the medium's sectors
    uint16_t volumeTag_ = 0;
    FatVolume volume_;
    FatTable table_;
    FatDirectoryWalk walk_;
    FatFreeMap freeMap_;
};

}  // namespace qm
