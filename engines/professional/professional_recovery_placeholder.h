// PLACEHOLDER for the deep-mode coordinator: the factory hands it out for every source in the
// professional mode until the coordinator itself lands. It opens the source, finds nothing
// and never offers an earlier scan to continue.
#pragma once
#include "engines/placeholder_engine.h"
#include "engines/resumable_scan.h"

namespace qm {

class CProfessionalRecoveryPlaceholder : public CPlaceholderEngine, public IResumableScan {
public:
    bool HasResumableScan() const override { return false; }
    std::wstring ResumableFolder() const override { return {}; }
    void ClearResumableScan() override {}
};

}  // namespace qm
