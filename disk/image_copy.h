// Copies a disk, or one stretch of it, sector by sector into a raw image file. Sectors that
// cannot be read become zeros in the image and are listed in a map beside it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disk/image_source.h"
#include "platform/file.h"

#ifndef QM_STDCALL
#if defined(_WIN32) && !defined(_WIN64)
#define QM_STDCALL __stdcall
#else
#define QM_STDCALL
#endif
#endif

namespace qm {

// user, percent (0..100), sectors done (low, high), total sectors (low, high), seconds left
// (-1 while there is no estimate). A non-zero result stops the copy and is returned by it.
using ImageProgressFn = int(QM_STDCALL*)(void* user, int percent, uint32_t doneLow, uint32_t doneHigh,
                                         uint32_t totalLow, uint32_t totalHigh, int secondsLeft);

inline constexpr uint32_t kImagePieceBytes = 65536;
inline constexpr uint64_t kEstimateIntervalMs = 5000;

// A stretch of sectors that could not be read, counted from the image's first sector.
struct BadSectorRun {
    uint64_t first = 0;
    uint64_t count = 0;
};

struct ImageCopyJob {
    std::unique_ptr<IImageSource> disk;
    platform::File image;
    std::wstring imagePath;
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;  // 0: the whole disk, until the job is opened
    uint32_t sectorSize = 512;
    ImageProgressFn progress = nullptr;
    void* progressUser = nullptr;
    // Milliseconds from some fixed point; platform::tickCount unless replaced.
    std::function<uint64_t()> clock;

    // What the copy did.
    uint64_t sectorsCopied = 0;
    uint64_t unreadableSectors = 0;
    std::vector<BadSectorRun> badRuns;
};

// The map of unreadable sectors beside an image: "<image>.badsectors", one "first count" line per run.
std::wstring BadSectorMapPath(const std::wstring& imagePath);

// Opens disk and image: 0 or a Windows error. A sector count of 0 means the rest of the disk.
int OpenImageCopy(ImageCopyJob& job, const std::wstring& imagePath, int diskNumber, uint64_t firstSector,
                  uint64_t sectorCount, ImageProgressFn progress, void* user);
// The same with the source already open (an image file standing in for a disk, a test medium).
int OpenImageCopyFrom(ImageCopyJob& job, const std::wstring& imagePath, std::unique_ptr<IImageSource> source,
                      uint64_t firstSector, uint64_t sectorCount, ImageProgressFn progress, void* user);

// The whole copy, with job.progress as the callback: 0, a Windows error, or the callback's
// stop value. Unreadable sectors do not stop it; job.unreadableSectors counts them.
int CopyDiskToImage(ImageCopyJob& job, int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                    const std::wstring& imagePath, void* user);
int CopySourceToImage(ImageCopyJob& job, std::unique_ptr<IImageSource> source, uint64_t firstSector,
                      uint64_t sectorCount, const std::wstring& imagePath, void* user);

// count × sectorSize bytes from the source's position, in reads of at most 64 KiB: 0, or 30
// when a read fails or delivers nothing. sectorsRead counts whole sectors.
int ReadFully(uint32_t sectorCount, IImageSource& source, void* buffer, uint32_t sectorSize, uint32_t& sectorsRead);
// count × sectorSize bytes, repeating short writes: 0 or the system error.
int WriteFully(platform::File& handle, const void* buffer, uint32_t sectorSize, uint32_t sectorCount,
               uint32_t& sectorsWritten);

}  // namespace qm
