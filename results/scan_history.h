// The scan history index: which numbered scan-log folder belongs to which scanned source,
// and where an interrupted deep scan of it stood.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Where an interrupted deep scan stood; kept per source so the scan can be continued.
struct ResumeState {
    uint64_t extentStart = 0;
    uint64_t extentLength = 0;
    uint64_t extentDone = 0;
    uint64_t sectorsDone = 0;
    uint64_t filesFound = 0;
};

inline constexpr uint32_t kImageDiskNumber = 128;  // diskNumber of image records

struct ScanHistoryRecord {
    uint32_t diskNumber = 0;
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
    ResumeState resume;
    uint64_t volumeFreeBytes = 0;
    uint64_t imageWriteTime = 0;  // FILETIME
    std::wstring imagePath;       // empty for a partition source
    std::wstring folder;          // ends with a path separator

    bool isImage() const { return !imagePath.empty(); }
};

class CScanHistory {
public:
    // The process's index, created and loaded on first use from the per-user folder.
    static CScanHistory& Instance();

    // An index below the given application-data folder (tests; Instance() uses the real one).
    explicit CScanHistory(const std::wstring& appDataFolder);

    int Load();
    int Save();
    // 1 when a current record matches (copied to out when given), 0 when not; a stale match
    // is removed with its folder.
    int FindVolume(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
                   ScanHistoryRecord* out);
    // An image is known by its path and, for one partition of a whole-disk image, where the
    // partition starts (0 for the whole image).
    int FindImage(const std::wstring& imagePath, ScanHistoryRecord* out, uint64_t firstSector = 0);
    int Upsert(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
               const ResumeState& resume, const std::wstring& folder, const std::wstring& imagePath);
    int CurrentFolder(std::wstring& outPath) const;
    int NewFolder();
    // Takes back the newest folder number (a scan that stored nothing).
    void ReleaseNewestFolder();
    int RemoveFolder(const std::wstring& folder);
    int FindLogFile(const std::wstring& prefix, std::wstring& outName, const std::wstring& folder) const;

    const std::wstring& BaseFolder() const { return baseFolder_; }
    uint64_t Counter() const { return counter_; }
    bool Found() const { return found_; }
    const std::wstring& FoundFolder() const { return foundFolder_; }
    const std::vector<ScanHistoryRecord>& Records() const { return records_; }

private:
    static constexpr size_t kNoRecord = static_cast<size_t>(-1);

    std::wstring IndexPath() const;
    std::wstring TempPath() const;
    // The matching record's index after the staleness check, or kNoRecord; sets found_.
    size_t LookupVolume(wchar_t driveLetter, uint32_t diskNumber, uint64_t firstSector, uint64_t sectorCount,
                        uint64_t& freeBytes);
    size_t LookupImage(const std::wstring& imagePath, uint64_t firstSector, uint64_t& writeTime);
    size_t SettleLookup(size_t index, bool unchanged);
    void RemoveRecordAt(size_t index);

    std::vector<ScanHistoryRecord> records_;
    std::wstring baseFolder_;
    uint64_t counter_ = 0;
    bool found_ = false;
    std::wstring foundFolder_;
};

}  // namespace qm
