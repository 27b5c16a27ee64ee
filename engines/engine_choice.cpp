#include "engines/engine_choice.h"

#include <new>

#include "engines/exfat/fast_exfat_recovery.h"
#include "engines/fast_ext_recovery.h"
#include "engines/fat/fast_fat_recovery.h"
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/professional/professional_recovery.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm {

EngineChoice ChooseEngine(FileSystemKind kind, bool professional) {
    if (professional) return EngineChoice::Professional;
    switch (kind) {
        case FileSystemKind::Fat: return EngineChoice::FastFat;
        case FileSystemKind::Ntfs: return EngineChoice::FastNtfs;
        case FileSystemKind::Ext: return EngineChoice::FastExt;
        case FileSystemKind::ExFat: return EngineChoice::FastExFat;
        case FileSystemKind::Unknown: break;
    }
    return EngineChoice::None;
}

std::unique_ptr<IFileRecoveryParse> MakeEngine(EngineChoice choice) {
    switch (choice) {
        case EngineChoice::FastFat: return std::unique_ptr<IFileRecoveryParse>(new (std::nothrow) CFastFatRecovery);
        case EngineChoice::FastNtfs: return std::unique_ptr<IFileRecoveryParse>(new (std::nothrow) CFastNtfsRecovery);
        case EngineChoice::FastExt: return std::unique_ptr<IFileRecoveryParse>(new (std::nothrow) CFastExtRecovery);
        case EngineChoice::Professional:
            return std::unique_ptr<IFileRecoveryParse>(new (std::nothrow) CProfessionalRecovery);
        case EngineChoice::FastExFat:
            return std::unique_ptr<IFileRecoveryParse>(new (std::nothrow) CFastExFatRecovery);
        case EngineChoice::None: break;
    }
    return nullptr;
}

std::unique_ptr<IFileRecoveryParse> MakeFastEngine(const Source& source, int& openResult, std::string& problem) {
    openResult = 0;
    problem.clear();
    if (source.probeResult != 0) {
        openResult = source.probeResult;
        return nullptr;
    }
    if (!source.probe.usable()) {
        problem = source.probe.problem;
        return nullptr;
    }
    auto engine = MakeEngine(ChooseEngine(source.probe.kind, false));
    auto* attachable = dynamic_cast<ISourceEngine*>(engine.get());
    if (!engine || !attachable) {
        openResult = kErrorNotEnoughMemory;
        return nullptr;
    }
    if (int rc = attachable->AttachSource(source); rc != 0) {
        openResult = rc;
        problem = platform::toUtf8(platform::errorMessage(rc));
        return nullptr;
    }
    return engine;
}

}  // namespace qm
