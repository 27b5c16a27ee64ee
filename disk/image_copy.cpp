#include "disk/image_copy.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/folders.h"

namespace qm {
namespace {

constexpr int kErrorDeviceNotConnected = 1167;

// Errors after which no further sector of the medium can be read: rescuing sector by sector
// would only write zeros for the rest of the disk.
bool mediumIsGone(int error) {
    return error == kErrorNotReady || error == kErrorInvalidHandle || error == kErrorFileNotFound ||
           error == kErrorDeviceNotConnected;
}

// Like ReadFully, but keeps the system's own error of a failed read.
int readSectors(IImageSource& source, uint8_t* buffer, uint32_t sectorCount, uint32_t sectorSize,
                uint32_t& sectorsRead, int& systemError) {
    const uint64_t wanted = static_cast<uint64_t>(sectorCount) * sectorSize;
    uint64_t done = 0;
    int result = 0;
    systemError = 0;
    while (done < wanted) {
        const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(kImagePieceBytes, wanted - done));
        uint32_t got = 0;
        const int rc = source.Read(buffer + done, piece, got);
        if (rc != 0 || got == 0) {
            systemError = rc;
            result = kErrorReadFault;
            break;
        }
        done += got;
    }
    sectorsRead = static_cast<uint32_t>(done / sectorSize);
    return result;
}

void noteBadSector(ImageCopyJob& job, uint64_t imageSector) {
    ++job.unreadableSectors;
    if (!job.badRuns.empty() && job.badRuns.back().first + job.badRuns.back().count == imageSector)
        ++job.badRuns.back().count;
    else
        job.badRuns.push_back({imageSector, 1});
}

// Writes the map of unreadable sectors, or removes a map left by an earlier copy.
int writeBadSectorMap(const ImageCopyJob& job) {
    const std::wstring path = BadSectorMapPath(job.imagePath);
    if (job.badRuns.empty()) {
        if (platform::pathExists(path)) return platform::deleteFile(path);
        return 0;
    }
    std::string text;
    for (const BadSectorRun& run : job.badRuns)
        text += std::to_string(run.first) + " " + std::to_string(run.count) + "\n";
    platform::File map;
    if (int rc = map.open(path, platform::OpenMode::CreateAlways); rc != 0) return rc;
    return platform::writeFully(map, text.data(), text.size());
}

}  // namespace

std::wstring BadSectorMapPath(const std::wstring& imagePath) { return imagePath + L".badsectors"; }

int ReadFully(uint32_t sectorCount, IImageSource& source, void* buffer, uint32_t sectorSize, uint32_t& sectorsRead) {
    sectorsRead = 0;
    if (sectorSize == 0 || (sectorCount > 0 && buffer == nullptr)) return kErrorInvalidParameter;
    int systemError = 0;
    return readSectors(source, static_cast<uint8_t*>(buffer), sectorCount, sectorSize, sectorsRead, systemError);
}

int WriteFully(platform::File& handle, const void* buffer, uint32_t sectorSize, uint32_t sectorCount,
               uint32_t& sectorsWritten) {
    sectorsWritten = 0;
    const uint64_t wanted = static_cast<uint64_t>(sectorCount) * sectorSize;
    uint64_t done = 0;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < wanted) {
        const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(wanted - done, 1u << 30));
        uint32_t n = 0;
        if (int rc = handle.write(in + done, piece, n); rc != 0) return rc;
        if (n == 0) return kErrorWriteFault;
        done += n;
    }
    sectorsWritten = sectorCount;
    return 0;
}

int OpenImageCopy(ImageCopyJob& job, const std::wstring& imagePath, int diskNumber, uint64_t firstSector,
                  uint64_t sectorCount, ImageProgressFn progress, void* user) {
    auto disk = std::make_unique<FileImageSource>();
    job.firstSector = firstSector;
    job.sectorCount = sectorCount;
    job.progress = progress;
    job.progressUser = user;
    job.sectorSize = 512;
    if (int rc = disk->OpenDisk(diskNumber); rc != 0) return rc;
    return OpenImageCopyFrom(job, imagePath, std::move(disk), firstSector, sectorCount, progress, user);
}

int OpenImageCopyFrom(ImageCopyJob& job, const std::wstring& imagePath, std::unique_ptr<IImageSource> source,
                      uint64_t firstSector, uint64_t sectorCount, ImageProgressFn progress, void* user) {
    job.firstSector = firstSector;
    job.sectorCount = sectorCount;
    job.progress = progress;
    job.progressUser = user;
    job.sectorSize = 512;
    job.imagePath = imagePath;
    job.disk = std::move(source);
    if (!job.disk) return kErrorInvalidHandle;

    uint64_t totalSectors = 0;
    if (int rc = job.disk->Describe(job.sectorSize, totalSectors); rc != 0) return rc;
    if (job.sectorSize == 0) return kErrorInvalidParameter;
    if (job.sectorCount == 0) {
        if (firstSector >= totalSectors) return kErrorInvalidParameter;
        job.sectorCount = totalSectors - firstSector;
    }
    // Sectors past the medium's end would all be "unreadable" and come out as zeros.
    if (totalSectors != 0 && (job.sectorCount > totalSectors || firstSector > totalSectors - job.sectorCount))
        return kErrorInvalidParameter;
    if (firstSector > UINT64_MAX / job.sectorSize || job.sectorCount > UINT64_MAX / job.sectorSize)
        return kErrorInvalidParameter;
    if (int rc = job.disk->Seek(firstSector * job.sectorSize); rc != 0) return rc;
    if (IsSameFile(imagePath, job.disk->Path())) return kErrorInvalidParameter;
    return job.image.open(imagePath, platform::OpenMode::OpenAlways);
}

int CopyDiskToImage(ImageCopyJob& job, int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                    const std::wstring& imagePath, void* user) {
    auto disk = std::make_unique<FileImageSource>();
    if (int rc = disk->OpenDisk(diskNumber); rc != 0) return rc;
    return CopySourceToImage(job, std::move(disk), firstSector, sectorCount, imagePath, user);
}

int CopySourceToImage(ImageCopyJob& job, std::unique_ptr<IImageSource> source, uint64_t firstSector,
                      uint64_t sectorCount, const std::wstring& imagePath, void* user) {
    if (!job.clock) job.clock = [] { return platform::tickCount(); };
    job.sectorsCopied = 0;
    job.unreadableSectors = 0;
    job.badRuns.clear();
    const uint64_t startTime = job.clock();
    uint64_t lastEstimate = startTime;
    int secondsLeft = -1;

    int result = OpenImageCopyFrom(job, imagePath, std::move(source), firstSector, sectorCount, job.progress, user);
    if (result == 0) {
        const uint32_t ss = job.sectorSize;
        const uint32_t pieceSectors = std::max<uint32_t>(1, kImagePieceBytes / ss);
        std::vector<uint8_t> buffer(static_cast<size_t>(pieceSectors) * ss);
        const uint64_t totalBytes = job.sectorCount * ss;
        uint64_t remaining = job.sectorCount;
        while (remaining > 0) {
            const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(pieceSectors, remaining));
            const uint64_t pieceFirst = job.firstSector + job.sectorsCopied;  // on the medium
            uint32_t got = 0;
            int systemError = 0;
            if (readSectors(*job.disk, buffer.data(), n, ss, got, systemError) != 0) {
                if (mediumIsGone(systemError)) {
                    result = kErrorReadFault;
                    break;
                }
                // A failing piece: rescue what can be read, one sector at a time.
                for (uint32_t k = got; k < n; ++k) {
                    uint8_t* sector = buffer.data() + static_cast<size_t>(k) * ss;
                    uint32_t one = 0;
                    int rc = job.disk->Seek((pieceFirst + k) * ss);
                    if (rc == 0) rc = readSectors(*job.disk, sector, 1, ss, one, systemError);
                    if (rc != 0) {
                        std::memset(sector, 0, ss);
                        noteBadSector(job, job.sectorsCopied + k);
                    }
                }
                if (int rc = job.disk->Seek((pieceFirst + n) * ss); rc != 0) {
                    result = rc;
                    break;
                }
            }
            uint32_t written = 0;
            if (int rc = WriteFully(job.image, buffer.data(), ss, n, written); rc != 0) {
                result = rc;
                break;
            }
            job.sectorsCopied += n;
            remaining -= n;

            const uint64_t doneBytes = job.sectorsCopied * ss;
            const uint64_t now = job.clock();
            if (now - lastEstimate >= kEstimateIntervalMs) {
                const uint64_t seconds = std::max<uint64_t>(1, (now - startTime) / 1000);
                const uint64_t rate = std::max<uint64_t>(1, doneBytes / seconds);
                const uint64_t left = (totalBytes - doneBytes) / rate;
                secondsLeft = static_cast<int>(std::min<uint64_t>(left, INT32_MAX));
                lastEstimate = now;
            }
            if (job.progress) {
                const int percent = static_cast<int>(job.sectorsCopied * 100.0 / static_cast<double>(job.sectorCount));
                const int stop = job.progress(
                    user, percent, static_cast<uint32_t>(job.sectorsCopied), static_cast<uint32_t>(job.sectorsCopied >> 32),
                    static_cast<uint32_t>(job.sectorCount), static_cast<uint32_t>(job.sectorCount >> 32), secondsLeft);
                if (stop != 0) {
                    result = stop;
                    break;
                }
            }
        }
        // What lies beyond the copied sectors is an earlier image's tail, not this medium.
        uint64_t imageBytes = 0;
        if (job.image.size(imageBytes) != 0 || imageBytes != job.sectorsCopied * ss) {
            if (int rc = job.image.truncate(job.sectorsCopied * ss); rc != 0 && result == 0) result = rc;
        }
        if (int rc = writeBadSectorMap(job); rc != 0 && result == 0) result = rc;
    }
    job.image.close();
    job.disk.reset();
    return result;
}

}  // namespace qm
