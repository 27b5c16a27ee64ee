// The bounded sector reader every engine reads its medium through. Copies share one open
// file: a source is opened once and every engine of a scan reads through the same handle.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/file.h"

namespace qm {

inline constexpr uint32_t kDefaultSectorSize = 512;
inline constexpr uint32_t kMaxReadPiece = 65536;  // largest single system read

// One open medium. A read is a seek and a read; the lock keeps the two together when a
// preview and a recovery read at the same time.
struct SharedMedium {
    platform::File file;
    std::mutex lock;
};

class SectorReader {
public:
    uint64_t totalSectors = 0;  // of the whole disk; for an image, its size / 512
    // The device's bytes per sector; 512 for an image file.
    uint32_t deviceSectorSize = kDefaultSectorSize;

    // Both return 0 or a Windows error number. They open a medium of their own; copies made
    // afterwards share it.
    int OpenDisk(int diskNumber);
    int OpenImageFile(const std::wstring& path);

    // Reads count sectors of sectorSize bytes from firstSector into buffer (which holds at
    // least count * sectorSize bytes). 87 for a read past the end, before any I/O; 30 when the
    // medium stops delivering. sectorsRead counts the whole sectors that did arrive.
    int ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize, uint32_t& sectorsRead);
    // ReadSectors, where a range past the end of the medium (an image cut short) gives
    // kErrorHandleEof, so that a user reads why a file stops instead of "The parameter is
    // incorrect."
    int ReadSectorsWithin(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                          uint32_t& sectorsRead);
    // Up to `length` bytes at a byte offset (boot areas that are not whole sectors of the
    // device); got tells how many arrived. 0 or a Windows error number.
    int ReadBytes(uint64_t offset, void* buffer, size_t length, size_t& got);

    // Lets go of this copy's share; the medium closes with its last copy.
    void Close();
    bool IsOpen() const { return medium_ && medium_->file.isOpen(); }
    // The open file, for queries of the device (geometry, length).
    platform::File* File() const { return medium_ ? &medium_->file : nullptr; }

private:
    std::shared_ptr<SharedMedium> medium_;
};

// The drive's bytes per sector, or 512 when it cannot tell (image files, failing queries).
uint32_t QuerySectorSize(platform::File& handle);

// Flushes a mounted volume before its disk is read raw; a missing letter is ignored.
void FlushVolume(wchar_t driveLetter);

}  // namespace qm
