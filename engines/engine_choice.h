// Which engine reads a source: the fast engine of its file system, or the deep coordinator.
#pragma once
#include <memory>
#include <string>

#include "disk/file_system_probe.h"
#include "disk/source.h"
#include "engines/file_recovery_parse.h"

namespace qm {

enum class EngineChoice { None, FastFat, FastNtfs, FastExt, FastExFat, Professional };

// The choice table: fast mode by file system (nothing for an unknown one); the professional
// mode takes every source.
EngineChoice ChooseEngine(FileSystemKind kind, bool professional);
std::unique_ptr<IFileRecoveryParse> MakeEngine(EngineChoice choice);

// The fast engine for an opened source, attached to it. Null when the probe found no usable
// file system (problem says why when it found one it cannot use) or the engine could not
// use the volume (openResult holds its error then).
std::unique_ptr<IFileRecoveryParse> MakeFastEngine(const Source& source, int& openResult, std::string& problem);

}  // namespace qm
