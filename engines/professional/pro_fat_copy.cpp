// Recovery and preview: found files copied out as consecutive clusters, folders with
// everything below them, never over an existing file.
#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"
#include "engines/professional/pro_fat_consecutive_copy.h"
#include "engines/professional/professional_fat_recovery.h"

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

}  // namespace qm
