// What a disk image is copied from: a disk, an image file standing in for one, or (in tests)
// a medium that fails where it is told to.
#pragma once
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace qm {

class IImageSource {
public:
    virtual ~IImageSource() = default;
    // The medium's bytes per sector and its whole length in sectors. 0 or a Windows error.
    virtual int Describe(uint32_t& sectorSize, uint64_t& totalSectors) = 0;
    virtual int Seek(uint64_t byteOffset) = 0;
    // One read of at most `length` bytes at the current position; got is 0 at the end.
    virtual int Read(void* buffer, uint32_t length, uint32_t& got) = 0;
    // The path it was opened from, so an image is never written over its own source.
    virtual std::wstring Path() const = 0;
};

// A physical disk or an image file, opened for reading only: the medium is never written.
class FileImageSource : public IImageSource {
public:
    int OpenDisk(int diskNumber);
    int OpenImageFile(const std::wstring& path);

    int Describe(uint32_t& sectorSize, uint64_t& totalSectors) override;
    int Seek(uint64_t byteOffset) override { return file_.seek(byteOffset); }
    int Read(void* buffer, uint32_t length, uint32_t& got) override { return file_.read(buffer, length, got); }
    std::wstring Path() const override { return path_; }

private:
    platform::File file_;
    std::wstring path_;
    bool isDisk_ = false;
};

// True when both paths name the same file or device (same text, or the same file reached
// another way); an image written over its source would destroy what it is meant to save.
bool IsSameFile(const std::wstring& a, const std::wstring& b);

}  // namespace qm
