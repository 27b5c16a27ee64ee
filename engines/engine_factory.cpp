#include "engines/engine_factory.h"

#include <new>
#include <vector>

#include "disk/sector_reader.h"
#include "engines/fast_ext_recovery.h"
#include "engines/fat/fast_fat_recovery.h"
#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/professional/professional_recovery.h"

namespace qm {

EngineChoice ChooseEngine(FileSystemKind kind, bool professional) {
    if (professional) return EngineChoice::Professional;
    switch (kind) {
        case FileSystemKind::Fat: return EngineChoice::FastFat;
        case FileSystemKind::Ntfs: return EngineChoice::FastNtfs;
        case FileSystemKind::Ext: return EngineChoice::FastExt;
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
        case EngineChoice::None: break;
    }
    return nullptr;
}

std::unique_ptr<IFileRecoveryParse> CreateEngineForPartition(int diskNumber, uint64_t firstSector,
                                                             uint64_t sectorCount, uint16_t driveLetter,
                                                             int professional) {
    // Data the system still caches for a mounted volume must be on the disk before it is read raw.
    FlushVolume(static_cast<wchar_t>(driveLetter));
    std::vector<uint8_t> probe;
    if (ReadProbeFromDisk(diskNumber, firstSector, probe) != 0) return nullptr;
    auto engine = MakeEngine(ChooseEngine(ProbeFileSystem(ByteView(probe.data(), probe.size())), professional != 0));
    // A failed open shows up later as a failed scan.
    if (engine) engine->OpenPartition(diskNumber, firstSector, sectorCount, driveLetter);
    return engine;
}

std::unique_ptr<IFileRecoveryParse> CreateEngineForImage(const std::wstring& imagePath, uint16_t sourceTag,
                                                         int professional) {
    std::vector<uint8_t> probe;
    if (ReadProbeFromImage(imagePath, probe) != 0) return nullptr;
    auto engine = MakeEngine(ChooseEngine(ProbeFileSystem(ByteView(probe.data(), probe.size())), professional != 0));
    if (engine) engine->OpenImage(imagePath, sourceTag);
    return engine;
}

}  // namespace qm
