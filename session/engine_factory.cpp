#include "session/engine_factory.h"

#include <new>

#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"

namespace qm {

std::unique_ptr<IFileRecoveryParse> CreateEngine(const SourceLocation& where, bool professional, EngineRefusal* refusal,
                                                 CScanHistory* history) {
    EngineRefusal ignored;
    EngineRefusal& why = refusal ? *refusal : ignored;
    why = EngineRefusal{};
    Source source;
    if (int rc = OpenSource(where, source); rc != 0) {
        why.error = rc;
        return nullptr;
    }
    why.kind = source.probe.kind;
    if (source.probeResult != 0) {
        why.error = source.probeResult;
        return nullptr;
    }
    std::string problem;
    auto fast = MakeFastEngine(source, why.error, problem);
    if (!professional) {
        why.problem = problem;
        return fast;
    }
    // A file system that cannot be used never switches the deep read off: the coordinator
    // reads the whole area and says why the file system's own structures were left aside.
    why.error = 0;
    auto deep = std::unique_ptr<CProfessionalRecovery>(
        new (std::nothrow) CProfessionalRecovery(history ? *history : CScanHistory::Instance()));
    if (!deep) return nullptr;
    deep->Attach(source, std::move(fast), problem);
    return deep;
}

std::unique_ptr<IFileRecoveryParse> CreateEngineForPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                                             uint16_t driveLetter, int professional) {
    return CreateEngine(SourceLocation::Partition(diskNumber, firstSector, sectorCount, driveLetter),
                        professional != 0);
}

std::unique_ptr<IFileRecoveryParse> CreateEngineForImage(const std::wstring& imagePath, uint16_t sourceTag,
                                                         int professional) {
    return CreateEngine(SourceLocation::Image(imagePath, sourceTag), professional != 0);
}

}  // namespace qm
