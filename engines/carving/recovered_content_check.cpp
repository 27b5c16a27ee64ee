#include "engines/carving/recovered_content_check.h"

#include <vector>

#include "engines/carving/carve_context.h"
#include "engines/carving/matches_extension.h"
#include "engines/carving/sector_source.h"
#include "engines/carving/signature_table.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"
#include "results/type_classification.h"

namespace qm {
namespace {

// As much as the detectors read ahead when they judge a file on the medium.
constexpr size_t kCheckedBytes = 64 * 1024;
constexpr uint32_t kSectorSize = 512;

}  // namespace

bool RecoveredContentMatchesType(const std::wstring& path, const std::wstring& name) {
    const std::string extension = platform::toUtf8(ExtensionOf(name));
    // Most recovered files are of kinds no detector judges (text, and many more): no reading.
    const int row = FirstRowOfExtension(extension);
    if (row < 0 || kSignatureTable[row].detector == nullptr) return true;
    platform::File file;
    if (file.open(path, platform::OpenMode::ReadExisting) != 0) return true;
    std::vector<uint8_t> bytes(kCheckedBytes);
    size_t got = 0;
    // A file shorter than the buffer ends the read early; what arrived is judged.
    const int rc = platform::readFully(file, bytes.data(), bytes.size(), got);
    if ((rc != 0 && rc != kErrorHandleEof) || got == 0) return true;
    bytes.resize(got);
    // Whole sectors for the detectors that read on; the tail of a short file is zero-filled.
    const size_t padded = (got + kSectorSize - 1) / kSectorSize * kSectorSize;
    bytes.resize(padded, 0);
    const ByteView view(bytes.data(), bytes.size());
    MemorySectorSource source(view);
    CarveContext ctx;
    return MatchesExtension(ctx, view, extension, &source, kSectorSize, 0) != 0;
}

}  // namespace qm
