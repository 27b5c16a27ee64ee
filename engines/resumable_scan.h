// What a deep-scan engine tells the scan driver about an earlier, interrupted scan of the
// same unchanged source.
#pragma once
#include <string>

namespace qm {

class IResumableScan {
public:
    virtual bool HasResumableScan() const = 0;
    // The earlier scan's log folder (removed when the user does not continue it).
    virtual std::wstring ResumableFolder() const = 0;
    virtual void ClearResumableScan() = 0;

protected:
    ~IResumableScan() = default;
};

}  // namespace qm
