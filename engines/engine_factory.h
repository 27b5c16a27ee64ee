// Probes a source and creates the engine that fits its file system and the chosen mode.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "disk/file_system_probe.h"
#include "engines/file_recovery_parse.h"

namespace qm {

enum class EngineChoice { None, FastFat, FastNtfs, FastExt, Professional };

// The choice table: fast mode by file system (nothing for an unknown one); the professional
// mode takes every source.
EngineChoice ChooseEngine(FileSystemKind kind, bool professional);
std::unique_ptr<IFileRecoveryParse> MakeEngine(EngineChoice choice);

// Null when the source cannot be read, its probe is short, or the fast mode finds no file
// system it knows. professional: 0 fast, 1 deep.
std::unique_ptr<IFileRecoveryParse> CreateEngineForPartition(int diskNumber, uint64_t firstSector,
                                                             uint64_t sectorCount, uint16_t driveLetter,
                                                             int professional);
std::unique_ptr<IFileRecoveryParse> CreateEngineForImage(const std::wstring& imagePath, uint16_t sourceTag,
                                                         int professional);

}  // namespace qm
