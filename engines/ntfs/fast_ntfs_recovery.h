// Deleted files on NTFS volumes.
#pragma once
#include "engines/placeholder_engine.h"

namespace qm {

// PLACEHOLDER until the NTFS engine lands: opens the source, finds nothing.
class CFastNtfsRecovery : public CPlaceholderEngine {};

}  // namespace qm
