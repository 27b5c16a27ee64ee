// A file or device handle. Sources are opened for reading only: the medium is never written.
#pragma once
#include <cstdint>
#include <string>

namespace qm::platform {

enum class OpenMode {
    ReadExisting,  // sources: disks, partitions, images, existing files to read
    OpenAlways,    // outputs: read/write, created when missing, kept when present
    CreateAlways,  // outputs: read/write, created or truncated
    CreateNew,     // recovered files: read/write, created only where no file, folder or link of
                   // that name exists; a link is never followed
};

struct DiskGeometry {
    uint64_t cylinders = 0;
    uint32_t tracksPerCylinder = 0;
    uint32_t sectorsPerTrack = 0;
    uint32_t bytesPerSector = 0;
};

// Who watches files being opened: tests that check a source is opened once per scan. Not
// for concurrent use; null (the default) costs one test per open.
using OpenObserver = void (*)(const std::wstring& path, void* user);
void setOpenObserver(OpenObserver observer, void* user);
// Called by File::open after each successful open.
void notifyOpen(const std::wstring& path);

class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // All calls return 0 or a Windows error number.
    int open(const std::wstring& path, OpenMode mode);
    bool isOpen() const { return handle_ != kInvalid; }
    void close();

    int seek(uint64_t offset);
    // One system read of at most `length` bytes; `got` is 0 at the end of the file.
    int read(void* buffer, uint32_t length, uint32_t& got);
    // One system write; `written` may be short.
    int write(const void* buffer, uint32_t length, uint32_t& written);
    int size(uint64_t& bytes);
    int flush();
    // Cuts the file to `length` bytes (or extends it); the position is left where it was.
    int truncate(uint64_t length);

    // Block devices: what the drive reports. Regular files fail with an error.
    int queryGeometry(DiskGeometry& geometry);
    int queryLength(uint64_t& bytes);

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid;
};

// Helpers built on File: whole reads and writes that repeat short transfers.
int readFully(File& file, void* buffer, size_t length, size_t& got);
int writeFully(File& file, const void* buffer, size_t length);

}  // namespace qm::platform
