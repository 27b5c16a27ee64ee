// The carving engine: finds files by their content alone. The deep-scan coordinator offers it
// sectors (CarveAt); it records what starts there under "<sector>.<ext>" and says how far to
// skip. It also copies carved files out and extracts them for preview.
#pragma once
#include <cstdint>
#include <string>

#include "disk/sector_reader.h"
#include "engines/item_runs.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/sector_source.h"
#include "engines/store_backed_engine.h"

namespace qm {

class CFileTypeRecovery : public CStoreBackedEngine, public IItemRuns {
public:
    CFileTypeRecovery() : source_(reader_) { ctx_.source = &source_; }

    int AttachSource(const Source& source) override;
    int SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData, int scale) override;
    int Scan(const wchar_t*) override { return 0; }  // the coordinator drives this engine
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override;
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override;
    int GetItemPath(const ScanRecord&, std::wstring& path) override {
        path.clear();  // carved files have no folders
        return 0;
    }
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) override;
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData) override;
    // One run from the first sector, as far as the size and the medium go.
    int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) override;

    // For the coordinator: reads the source it opened and keeps a store on the given log
    // name (an earlier log of that name is continued).
    int AttachForCoordinator(const Source& source, const std::wstring& logName);
    // Records the file that starts at `sector`, if any: 0 with filesFound counted and the
    // sectors to skip, 87 when nothing is carved here, CancelCode when the user cancelled.
    int CarveAt(uint32_t sectorSize, const uint8_t* bytes, size_t length, uint64_t sector,
                const CarveProgress& progress, uint64_t& filesFound, uint64_t& sectorsToSkip);
    CarveContext& context() { return ctx_; }
    uint32_t sectorSize() const { return sectorSize_; }

private:
    int OpenLog(const std::wstring& logName);
    void UseSource(const Source& source);
    // Copies a carved file's bytes from the medium to a file or a memory buffer.
    int CopyOut(const ScanRecord& record, platform::File* file, uint8_t* memory, uint64_t capacity, uint64_t& delivered,
                const std::function<int(uint64_t done)>& report);

    SectorReader reader_;
    ReaderSectorSource source_;
    CarveContext ctx_;
    uint32_t sectorSize_ = kDefaultSectorSize;
    uint16_t tag_ = 0;
    int diskNumber_ = -1;
    uint64_t firstSector_ = 0;
    uint64_t sectorCount_ = 0;
};

}  // namespace qm
