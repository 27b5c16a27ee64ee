// Deleted files on an intact NTFS volume: every MFT record that is neither in use nor a
// directory, with the folders on its path rebuilt from the parent references.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engines/item_runs.h"
#include "engines/ntfs/ntfs_copy_out.h"
#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_free_map.h"
#include "engines/ntfs/ntfs_record_decode.h"
#include "engines/ntfs/ntfs_volume.h"
#include "engines/store_backed_engine.h"

namespace qm {

struct NtfsRecordSummary;

class CFastNtfsRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    CFastNtfsRecovery() = default;
    ~CFastNtfsRecovery() override;

    int AttachSource(const Source& source) override;
    int Scan(const wchar_t* logName) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int NextFreeExtent(uint64_t& position, uint64_t& length) override;
    int BuildFreeMap() override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // The $DATA runs, or the record's bytes for resident data (ntfs_item_runs.cpp).
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;
    const NtfsVolumeGeometry& Geometry() const { return volume_.geometry(); }
    const RunList& MftRuns() const { return volume_.mftRuns(); }
    // Folder records read while rebuilding paths in the last scan (one read per folder).
    uint64_t FolderRecordReads() const { return folderReads_; }

private:
    // What path rebuilding needs of one folder record, read once per scan.
    struct FolderInfo {
        int readResult = 0;
        bool signatureOk = false;
        uint16_t flags = 0;
        bool hasFileName = false;
        NtfsFileName fileName;
        bool hasStandardInfo = false;
        NtfsStandardInfo standardInfo;
    };

    int OpenStoreNamed(const std::wstring& logName);
    int RunScan();
    void ParseFileRecord(uint8_t* record, uint64_t number, uint64_t sector);
    void AddFolderRecord(uint32_t number);
    void AddLostFolder(uint32_t number);
    const FolderInfo& FolderInfoOf(uint32_t number);
    void TakeListedNames(ByteView record, bool& haveOne, NtfsFileName& into);
    uint32_t WalkAncestors(uint32_t parent);
    uint32_t EffectiveParent(uint32_t number, const FolderInfo& info) const;
    void NoteAncestor(uint32_t number);
    int JudgeContent(const std::string& name, const NtfsRecordSummary& summary);

    // Content of a found file, handed on in pieces; fromRuns tells non-resident data.
    int ReadContent(const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns);
    NtfsContentReader ContentReader();

    NtfsVolume volume_;
    bool opened_ = false;
    uint16_t tag_ = 0;

    std::vector<uint32_t> ancestors_;
    std::unordered_set<uint32_t> ancestorSet_;
    std::unordered_map<uint32_t, FolderInfo> folders_;
    std::unordered_set<uint32_t> loopCuts_;  // folders whose parent chain looped back to them
    uint64_t folderReads_ = 0;
    std::vector<uint8_t> recordBuffer_;

    NtfsFreeMap freeMap_;
};

}  // namespace qm
