#include "platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/posix/errno_map.h"
#include "platform/text.h"

namespace qm::platform {
namespace {
int fd(intptr_t h) {
    return static_cast<int>(h);
}
}  // namespace

int File::open(const std::wstring& path, OpenMode mode) {
    close();
    if (path.empty()) return kErrorPathNotFound;
    // Opening a pipe for reading waits for a writer: such a path is refused before it is opened.
    if (mode == OpenMode::ReadExisting && isStreamNode(path)) return kErrorNotSupported;
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::ReadExisting: flags |= O_RDONLY; break;
        case OpenMode::OpenAlways: flags |= O_RDWR | O_CREAT; break;
        case OpenMode::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        // O_EXCL also refuses a link of that name, dangling or not.
        case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    const int f = ::open(toUtf8(path).c_str(), flags, 0644);
    if (f < 0) return fromErrno(errno);
    struct stat st {};
    if (::fstat(f, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(f);
        return kErrorAccessDenied;  // what Windows says for a folder opened as a file
    }
    handle_ = f;
    notifyOpen(path);
    return 0;
}

void File::close() {
    if (handle_ != kInvalid) {
        ::close(fd(handle_));
        handle_ = kInvalid;
    }
}

int File::seek(uint64_t offset) {
    if (!isOpen()) return kErrorInvalidHandle;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return kErrorInvalidParameter;
    if (::lseek(fd(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) return fromErrno(errno);
    return 0;
}

int File::read(void* buffer, uint32_t length, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    for (;;) {
        const ssize_t n = ::read(fd(handle_), buffer, length);
        if (n >= 0) {
            got = static_cast<uint32_t>(n);
            return 0;
        }
        if (errno != EINTR) return fromErrno(errno);
    }
}

int File::write(const void* buffer, uint32_t length, uint32_t& written) {
    written = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    for (;;) {
        const ssize_t n = ::write(fd(handle_), buffer, length);
        if (n >= 0) {
            written = static_cast<uint32_t>(n);
            return 0;
        }
        if (errno != EINTR) return fromErrno(errno);
    }
}

int File::size(uint64_t& bytes) {
    bytes = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    struct stat st {};
    if (::fstat(fd(handle_), &st) != 0) return fromErrno(errno);
    if (S_ISBLK(st.st_mode)) return queryLength(bytes);
    bytes = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::flush() {
    if (!isOpen()) return kErrorInvalidHandle;
    if (::fsync(fd(handle_)) != 0 && errno != EINVAL && errno != EROFS) return fromErrno(errno);
    return 0;
}

int File::truncate(uint64_t length) {
    if (!isOpen()) return kErrorInvalidHandle;
    if (length > static_cast<uint64_t>(INT64_MAX)) return kErrorInvalidParameter;
    if (::ftruncate(fd(handle_), static_cast<off_t>(length)) != 0) return fromErrno(errno);
    return 0;
}

int File::queryGeometry(DiskGeometry& geometry) {
    if (!isOpen()) return kErrorInvalidHandle;
    int sectorSize = 0;
    if (::ioctl(fd(handle_), BLKSSZGET, &sectorSize) != 0) return fromErrno(errno);
    geometry = DiskGeometry{};
    geometry.bytesPerSector = static_cast<uint32_t>(sectorSize);
    struct hd_geometry hd {};
    if (::ioctl(fd(handle_), HDIO_GETGEO, &hd) == 0) {
        geometry.cylinders = hd.cylinders;
        geometry.tracksPerCylinder = hd.heads;
        geometry.sectorsPerTrack = hd.sectors;
    }
    return 0;
}

int File::queryLength(uint64_t& bytes) {
    if (!isOpen()) return kErrorInvalidHandle;
    uint64_t length = 0;
    if (::ioctl(fd(handle_), BLKGETSIZE64, &length) != 0) return fromErrno(errno);
    bytes = length;
    return 0;
}

}  // namespace qm::platform
