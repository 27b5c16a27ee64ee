// Deleted files on FAT12/16/32 volumes.
#pragma once
#include "engines/placeholder_engine.h"

namespace qm {

// PLACEHOLDER until the FAT engine lands: opens the source, finds nothing.
class CFastFatRecovery : public CPlaceholderEngine {};

}  // namespace qm
