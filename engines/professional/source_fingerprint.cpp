#include "engines/professional/source_fingerprint.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "platform/file.h"
#include "platform/folders.h"

namespace qm {
namespace {

constexpr uint64_t kPieceBytes = 1 << 20;
constexpr size_t kMaxFingerprintBytes = 256;

}  // namespace

std::string SourceFingerprint(SectorReader& reader, uint64_t first, uint64_t sectors, uint32_t sectorSize) {
    if (sectorSize == 0 || sectors == 0) return {};
    const uint64_t pieceSectors = std::max<uint64_t>(1, std::min<uint64_t>(kPieceBytes / sectorSize, sectors));
    std::vector<uint8_t> buffer(static_cast<size_t>(pieceSectors) * sectorSize);
    std::string text = "sectors=" + std::to_string(sectors) + " bytesPerSector=" + std::to_string(sectorSize);
    const uint64_t starts[] = {0, (sectors - pieceSectors) / 2, sectors - pieceSectors};
    for (const uint64_t start : starts) {
        uint32_t got = 0;
        if (reader.ReadSectors(static_cast<uint32_t>(pieceSectors), buffer.data(), first + start, sectorSize, got) != 0 ||
            got != pieceSectors)
            return {};
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), buffer.data(), static_cast<uInt>(buffer.size()));
        text += " crc@" + std::to_string(start) + "=" + std::to_string(crc);
    }
    return text;
}

int SaveFingerprint(const std::wstring& folder, const std::string& fingerprint) {
    platform::File file;
    if (int rc = file.open(platform::joinPath(folder, kFingerprintFileName), platform::OpenMode::CreateAlways); rc != 0)
        return rc;
    return platform::writeFully(file, fingerprint.data(), fingerprint.size());
}

std::string LoadFingerprint(const std::wstring& folder) {
    platform::File file;
    if (file.open(platform::joinPath(folder, kFingerprintFileName), platform::OpenMode::ReadExisting) != 0) return {};
    std::string text(kMaxFingerprintBytes, '\0');
    size_t got = 0;
    platform::readFully(file, text.data(), text.size(), got);
    text.resize(got);
    return text;
}

}  // namespace qm
