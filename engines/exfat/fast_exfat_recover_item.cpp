// Recovery and preview of found files: the shared copy-out code over this engine's extents.
#include "engines/exfat/exfat_copy.h"
#include "engines/exfat/exfat_record.h"
#include "engines/exfat/fast_exfat_recovery.h"
#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"

namespace qm {

RecordCopier CFastExFatRecovery::Copier() {
    return [this](const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress) {
        ExFatDataPlace place;
        if (const int rc = ExFatPlaceOf(volume_, record, place); rc != 0) {
            ChainCopyResult failed;
            failed.error = rc;
            return failed;
        }
        return CopyExFatData(volume_, place, sink, progress);
    };
}

int CFastExFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    return RecoverFoundItem(*this, opened_, record, destination, baseDepth,
                            {Copier(), callbacks_.itemProgress, callbacks_.userData});
}

int CFastExFatRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                    uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return ExtractFoundFile(opened_, record, tempPath, memory, byteCount, progress, userData, Copier());
}

}  // namespace qm
