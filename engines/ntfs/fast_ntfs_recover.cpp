// Reading a found file's content back, for copying out and preview.
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/errors.h"

namespace qm {

int CFastNtfsRecovery::ReadContent(const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns) {
    fromRuns = false;
    NtfsStream stream;
    if (int rc = volume_.findStreamAt(record.location, kAttrData, stream); rc != 0) return rc;
    if (stream.resident) {
        if (stream.residentBytes.size() >= static_cast<size_t>(volume_.geometry().recordBytes))
            return kErrorInvalidParameter;
        return volume_.readStream(stream, stream.residentBytes.size(), sink);
    }
    fromRuns = true;
    return volume_.readStream(stream, record.size, sink);
}

int CFastNtfsRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    return recoverNtfsItem(*this, record, destination, baseDepth, callbacks_.itemProgress, callbacks_.userData,
                           ContentReader());
}

int CFastNtfsRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                   uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return extractNtfsItem(record, tempPath, memory, byteCount, progress, userData, ContentReader());
}

NtfsContentReader CFastNtfsRecovery::ContentReader() {
    return [this](const ScanRecord& record, const NtfsContentSink& sink, bool& fromRuns) {
        return ReadContent(record, sink, fromRuns);
    };
}

}  // namespace qm
