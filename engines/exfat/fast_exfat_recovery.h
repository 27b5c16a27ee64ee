// Deleted files on exFAT volumes: reads the folder tree breadth-first, records every deleted
// file (and every file in a deleted folder) with the folders that lead to it, judges each by
// the allocation bitmap and copies files back from their clusters.
#pragma once
#include <cstdint>
#include <string>

#include "engines/exfat/exfat_bitmap.h"
#include "engines/exfat/exfat_system_entries.h"
#include "engines/exfat/exfat_tree_walk.h"
#include "engines/exfat/exfat_volume.h"
#include "engines/fat/fat_copy_pass.h"
#include "engines/item_runs.h"
#include "engines/store_backed_engine.h"

namespace qm {

class CFastExFatRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    CFastExFatRecovery();
    ~CFastExFatRecovery() override;

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

    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;
    bool IsOpen() const { return opened_; }
    const ExFatVolume& Volume() const { return volume_; }
    const ExFatSystemEntries& SystemEntries() const { return system_; }
    const ExFatBitmap& Bitmap() const { return bitmap_; }
    // Why the last open found no usable volume (87), or null.
    const char* OpenProblem() const { return openProblem_; }

private:
    int RootKey(const ScanRecord* folder, int level, ParentKey& key) const;
    // Reads a found file's data again from its entry set.
    RecordCopier Copier();

    bool opened_ = false;
    uint64_t partitionStart_ = 0;  // as given at open, in the medium's sectors
    uint32_t sourceSectorSize_ = 0;
    uint16_t volumeTag_ = 0;
    ExFatVolume volume_;
    ExFatSystemEntries system_;
    ExFatBitmap bitmap_;
    ExFatTreeWalk walk_;
    bool freeMapBuilt_ = false;
    const char* openProblem_ = nullptr;
};

}  // namespace qm
