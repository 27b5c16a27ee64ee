// The bounded sector reader every engine reads its medium through.
#pragma once
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace qm {

inline constexpr uint32_t kDefaultSectorSize = 512;
inline constexpr uint32_t kMaxReadPiece = 65536;  // largest single system read

struct SectorReader {
    platform::File handle;
    uint64_t totalSectors = 0;  // of the whole disk; for an image, its size / 512

    // Both return 0 or a Windows error number.
    int OpenDisk(int diskNumber);
    int OpenImageFile(const std::wstring& path);

    // Reads count sectors of sectorSize bytes from firstSector into buffer (which holds at
    // least count * sectorSize bytes). 87 for a read past the end, before any I/O; 30 when the
    // medium stops delivering. sectorsRead counts the whole sectors that did arrive.
    int ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize, uint32_t& sectorsRead);
    // ReadSectors, where a range past the end of the medium (an image cut short) gives
    // kErrorHandleEof, so that a user reads why a file stops instead of "The parameter is
    // incorrect."
    int ReadSectorsWithin(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize, uint32_t& sectorsRead);

    void Close();
    bool IsOpen() const { return handle.isOpen(); }
};

// The drive's bytes per sector, or 512 when it cannot tell (image files, failing queries).
uint32_t QuerySectorSize(platform::File& handle);

// Flushes a mounted volume before its disk is read raw; a missing letter is ignored.
void FlushVolume(wchar_t driveLetter);

}  // namespace qm
