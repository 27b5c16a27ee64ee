// Recovery and preview: found files copied out as consecutive clusters, folders with
// everything below them, never over an existing file.
#include <algorithm>

#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"
#include "engines/professional/pro_fat_consecutive_copy.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/errors.h"

namespace qm {

RecordCopier CProfessionalFatRecovery::Copier() {
    return [this](const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress) {
        return profat::CopyConsecutiveClusters(reader_, sectorSize_, MediumEnd(), record, sink, progress);
    };
}

int CProfessionalFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    return RecoverFoundItem(*this, opened_, record, destination, baseDepth, {Copier(), callbacks_.itemProgress, callbacks_.userData});
}

int CProfessionalFatRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                          uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return ExtractFoundFile(opened_, record, tempPath, memory, byteCount, progress, userData, Copier());
}

int CProfessionalFatRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    if (!opened_ || record.isFolder) return kErrorInvalidParameter;
    const uint64_t size = record.size;
    const uint32_t cluster = static_cast<uint32_t>(record.fsId);
    // The same checks as the copy: the fields come from the medium.
    if (size == 0 || sectorSize_ == 0 || record.clusterBytes <= 0 || record.clusterBytes % sectorSize_ != 0 ||
        cluster < 2)
        return 0;
    const uint64_t offset = static_cast<uint64_t>(cluster - 2) * (static_cast<uint64_t>(record.clusterBytes) / sectorSize_);
    const uint64_t base = record.partitionStart;
    if (record.dataStart > UINT64_MAX - base || offset > UINT64_MAX - base - record.dataStart) return 0;
    const uint64_t sector = base + record.dataStart + offset;
    const uint64_t end = MediumEnd();
    if (sector >= end || sector > UINT64_MAX / sectorSize_ || end - sector > UINT64_MAX / sectorSize_) return 0;
    AppendSourceRun(runs, sector * sectorSize_, std::min<uint64_t>(size, (end - sector) * sectorSize_), 0);
    return 0;
}

}  // namespace qm
