// Opens a source once and creates the engine that fits its file system and the chosen mode.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "disk/source.h"
#include "engines/engine_choice.h"
#include "engines/file_recovery_parse.h"

namespace qm {

class CScanHistory;

// Why a source gave no engine: the open's or the probe's Windows error number, what the
// probe recognised, and the reason the file system's own structures cannot be used.
struct EngineRefusal {
    int error = 0;
    FileSystemKind kind = FileSystemKind::Unknown;
    std::string problem;
};

// Null when the source cannot be opened, its probe is short, or the fast mode finds no file
// system it can use (refusal says which). The deep mode takes every readable source and
// keeps its scan bookkeeping in `history` (the process's own when null).
std::unique_ptr<IFileRecoveryParse> CreateEngine(const SourceLocation& where, bool professional,
                                                 EngineRefusal* refusal = nullptr, CScanHistory* history = nullptr);

// The same for the engine slots' way of naming a source. professional: 0 fast, 1 deep.
std::unique_ptr<IFileRecoveryParse> CreateEngineForPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                                             uint16_t driveLetter, int professional);
std::unique_ptr<IFileRecoveryParse> CreateEngineForImage(const std::wstring& imagePath, uint16_t sourceTag,
                                                         int professional);

}  // namespace qm
