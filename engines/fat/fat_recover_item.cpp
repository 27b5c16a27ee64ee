// Recovery and preview of found files: the shared copy-out code over this engine's chains.
#include "engines/fat/fast_fat_recovery.h"
#include "engines/fat/fat_chain_copy.h"
#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"

namespace qm {

RecordCopier CFastFatRecovery::Copier() {
    return [this](const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress) {
        return CopyClusterChain(volume_, table_, static_cast<uint32_t>(record.fsId), record.size, sink, progress);
    };
}

int CFastFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    return RecoverFoundItem(*this, opened_, record, destination, baseDepth, {Copier(), callbacks_.itemProgress, callbacks_.userData});
}

int CFastFatRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                  uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return ExtractFoundFile(opened_, record, tempPath, memory, byteCount, progress, userData, Copier());
}

}  // namespace qm
