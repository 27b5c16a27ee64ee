// Recovery and preview: a found file's data read through its volume, as one run from its
// first cluster or along the FAT where a live chain still stands; folders with everything
// below them, never over an existing file.
#include "engines/exfat/exfat_copy.h"
#include "engines/exfat/exfat_record.h"
#include "engines/fat/fat_item_preview.h"
#include "engines/fat/fat_item_recovery.h"
#include "engines/exfat/exfat_item_runs.h"
#include "engines/professional/professional_exfat_recovery.h"
#include "platform/errors.h"

namespace qm {

RecordCopier CProfessionalExFatRecovery::Copier() {
    return [this](const ScanRecord& record, const ChainSink& sink, const ChainProgress& progress) {
        ExFatVolume* volume = record.clusterBytes > 0 ? VolumeOf(record) : nullptr;
        ExFatDataPlace place;
        if (!volume || ExFatPlaceOf(*volume, record, place) != 0) {
            ChainCopyPass pass(record.size, sink, progress);
            return pass.Finish(kErrorFileCorrupt);
        }
        return CopyExFatData(*volume, place, sink, progress);
    };
}

int CProfessionalExFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination,
                                            int baseDepth) {
    return RecoverFoundItem(*this, opened_, record, destination, baseDepth,
                            {Copier(), callbacks_.itemProgress, callbacks_.userData});
}

int CProfessionalExFatRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                            uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    return ExtractFoundFile(opened_, record, tempPath, memory, byteCount, progress, userData, Copier());
}

int CProfessionalExFatRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    ExFatVolume* volume = record.clusterBytes > 0 ? VolumeOf(record) : nullptr;
    return volume ? ExFatItemRuns(*volume, record, runs) : kErrorNotSupported;
}

}  // namespace qm
