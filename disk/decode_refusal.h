// How the boot-sector decoders say why they refuse: 87 for the caller's result, the reason for
// the user in *why when the caller asked for it.
#pragma once
#include "platform/errors.h"

namespace qm {

class DecodeRefusal {
public:
    explicit DecodeRefusal(const char** why) : why_(why) {
        if (why_) *why_ = nullptr;
    }
    int operator()(const char* reason) const {
        if (why_) *why_ = reason;
        return kErrorInvalidParameter;
    }

private:
    const char** why_;
};

}  // namespace qm
