// The deep mode for any partition or image: runs the fast engine first, then reads the area
// once and offers every sector to the NTFS record parser, the exFAT and FAT directory parsers
// and the carver; afterwards presents the five engines as one. Remembers where a scan stood so an
// interrupted scan of an unchanged source can be continued.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/source.h"
#include "engines/carving/file_type_recovery.h"
#include "engines/file_recovery_parse.h"
#include "engines/item_runs.h"
#include "engines/professional/professional_exfat_recovery.h"
#include "engines/professional/professional_fat_recovery.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "engines/resumable_scan.h"
#include "engines/source_engine.h"
#include "results/scan_history.h"

namespace qm {

class CProfessionalRecovery : public IFileRecoveryParse, public IResumableScan, public ISourceEngine,
                              public IItemRuns {
public:
    // Checkpoints (resume state saved, stores flushed) this often during the deep pass, so a
    // scan killed without a cancel can still be continued.
    static constexpr uint64_t kCheckpointMs = 30000;

    CProfessionalRecovery() : CProfessionalRecovery(CScanHistory::Instance()) {}
    explicit CProfessionalRecovery(CScanHistory& history) : history_(history) {}
    ~CProfessionalRecovery() override;

    int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) override;
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    // Reads the source through its own choice of fast engine.
    int AttachSource(const Source& source) override;
    // Reads the source with the fast engine the front end made for it (null when none fits;
    // fastProblem then says why the file system's own structures cannot be used, if it has one).
    int Attach(const Source& source, std::unique_ptr<IFileRecoveryParse> fast, const std::string& fastProblem);
    int SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData, int scale) override;
    int Scan(const wchar_t* logName) override;
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override;
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override;
    uint64_t GetFoundCount() override;
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int NextFreeExtent(uint64_t&, uint64_t&) override { return 0; }
    int SetListCallback(ListProgressFn listProgress, void* userData) override;
    int ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) override;
    int BuildFreeMap() override { return 0; }
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // Asks the engine that wrote the record; 50 when that one cannot tell.
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;

    // A finished deep scan of the same, unchanged source (same length, same first, middle and
    // last MiB) stands in for a new one when allowed: Scan then opens its logs and reads
    // nothing. Off unless asked for; a front end that scans on the user's word keeps it off.
    void AllowReuse(bool allow) { allowReuse_ = allow; }
    bool ReusedEarlierScan() const { return reused_; }

    bool HasResumableScan() const override { return resumeAvailable_; }
    std::wstring ResumableFolder() const override { return resumeRecord_.folder; }
    void ClearResumableScan() override { resumeAvailable_ = false; }

    IFileRecoveryParse* fastEngine() { return fast_.get(); }
    void SetCheckpointInterval(uint64_t milliseconds) { checkpointMs_ = milliseconds; }
    uint32_t bytesPerSector() const { return bytesPerSector_; }
    // Empty, or why the file system's own structures could not be used: the deep pass then
    // read the whole area and found what it could by content and by the records it met.
    const std::string& FileSystemProblem() const { return fileSystemProblem_; }
    // What the probe recognised at the area's start.
    FileSystemKind ProbedKind() const { return source_.probe.kind; }

private:
    struct Position {
        uint64_t extentStart = 0, extentLength = 0, doneInExtent = 0, sectorsDone = 0, filesBase = 0;
    };
    IFileRecoveryParse* EngineFor(int32_t sourceKind);
    int OpenLogs(bool continuing);
    bool FreeSpaceMode();
    uint64_t SumFreeExtents();
    // Offers the sectors of one chunk; returns the sectors consumed beyond it (negative when
    // a cancel left the current sector unprocessed).
    int64_t Dispatch(uint8_t* chunk, uint32_t sectorsRead, uint64_t firstSector, uint64_t& filesFound,
                     const CarveProgress& progress, bool& cancelled);
    void SaveState(const Position& position);
    // The absolute sector where a file-system record's data begins; false when it has none.
    bool FirstDataSector(const ScanRecord& record, uint64_t& sector);
    void FlushStores();
    void PointLogsAt(const std::wstring& folder);
    // Whether the finished scan on record may stand in for a new one.
    bool MayReuse();

    CScanHistory& history_;
    CProfessionalFatRecovery fat_;
    CProfessionalExFatRecovery exfat_;
    CProfessionalNtfsRecovery ntfs_;
    CFileTypeRecovery carver_;
    std::unique_ptr<IFileRecoveryParse> fast_;
    // The fast engine's controls beyond the engine slots; null when it has none.
    ISourceEngine* fastControl_ = nullptr;
    Source source_;
    SectorReader reader_;
    std::string fileSystemProblem_;
    uint32_t bytesPerSector_ = kDefaultSectorSize;
    int diskNumber_ = 0;
    uint64_t areaStart_ = 0;
    uint64_t areaSectors_ = 0;
    uint16_t driveLetter_ = 0;
    std::wstring imagePath_;
    ScanProgressFn scanProgress_ = nullptr;
    ItemProgressFn itemProgress_ = nullptr;
    void* userData_ = nullptr;
    int scale_ = 100;
    ListProgressFn listProgress_ = nullptr;
    void* listUser_ = nullptr;
    bool resumeAvailable_ = false;
    bool finishedAvailable_ = false;  // the history holds a scan of this source that ran to its end
    bool allowReuse_ = false;
    bool reused_ = false;
    ScanHistoryRecord resumeRecord_;
    bool opened_ = false;
    std::vector<uint8_t> recordBuffer_;
    uint64_t checkpointMs_ = kCheckpointMs;
};

}  // namespace qm
