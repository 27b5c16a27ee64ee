// The one interface every recovery engine presents, so front ends never need to know which
// file system or which mode they are dealing with. The slot order is fixed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "results/scan_record.h"

#if defined(_WIN32) && !defined(_WIN64)
#define QM_STDCALL __stdcall
#else
#define QM_STDCALL
#endif

namespace qm {

// What a progress callback returns once the user has cancelled; engines pass it back unchanged.
inline constexpr int CancelCode = -9527;

// (user data, step, scale, seconds left or -1, sectors done, total sectors, files found, 0).
// The percentage shown is step * scale / 100. Any non-zero result stops the engine.
using ScanProgressFn = int(QM_STDCALL*)(void* userData, int step, int scale, int secondsLeft, uint64_t sectorsDone,
                                        uint64_t totalSectors, uint64_t filesFound, int reserved);
// (user data, percent of the current file, 100, Windows error of the file, destination path).
// Percent 100 marks the file finished, successfully when the error is 0.
using ItemProgressFn = int(QM_STDCALL*)(void* userData, int percent, int total, int error, const wchar_t* destination);
// (user data, percent done, error so far).
using ExtractProgressFn = int(QM_STDCALL*)(void* userData, int percent, int error);
// (user data, percent of the store read, 0); non-zero stops the listing.
using ListProgressFn = int(QM_STDCALL*)(void* userData, int percent, int reserved);

class IFileRecoveryParse {
public:
    // 0: opens an image file as the source (start sector 0); the tag goes into every record.
    virtual int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) = 0;
    // 1: opens the partition of a physical disk that starts at firstSector.
    virtual int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) = 0;
    // 2: scale is this engine's share of the whole progress bar (100 when it runs alone).
    virtual int SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData,
                             int scale) = 0;
    // 3: null runs a scan into a fresh store; a log name re-opens that earlier scan's store.
    virtual int Scan(const wchar_t* logName) = 0;
    // 4: direct children of a folder, sorted; null with level 0 is the root, else 87.
    virtual int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) = 0;
    // 5: files in a folder and every folder below it.
    virtual int CountFiles(const ScanRecord* folder, int level, uint32_t& count) = 0;
    // 6: entries in the store, 0 without one.
    virtual uint64_t GetFoundCount() = 0;
    // 7: the names of the record's ancestors from the root down, each followed by "\".
    virtual int GetItemPath(const ScanRecord& record, std::wstring& path) = 0;
    // 8: copies a file, or a folder with everything below it, to the destination.
    virtual int RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) = 0;
    // 9: the next free run from position (sectors relative to the partition start); 1 when
    // implemented, 0 from engines without a free map.
    virtual int NextFreeExtent(uint64_t& position, uint64_t& length) = 0;
    // 10: passed on to the store for ListByType.
    virtual int SetListCallback(ListProgressFn listProgress, void* userData) = 0;
    // 11: every file whose extension occurs in the pattern ("*.jpg|*.png", ".other"), sorted.
    virtual int ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) = 0;
    // 12: builds the map of free clusters; 0 = a map is available.
    virtual int BuildFreeMap() = 0;
    // 13: makes a file's content available for preview, in a temporary file (path) or in
    // memory (byteCount: in the capacity of memory, out the bytes delivered).
    virtual int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                            ExtractProgressFn progress, void* userData) = 0;
    // 14
    virtual ~IFileRecoveryParse() = default;
};

}  // namespace qm
