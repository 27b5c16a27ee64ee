#include "engines/fat/fat_copy_pass.h"

#include "platform/errors.h"

namespace qm {

ChainCopyResult ChainCopyPass::Finish(int error) {
    result_.error = error;
    if (progress_) {
        if (const int rc = progress_(100, error); rc != 0) {
            result_.error = rc;
            result_.stoppedByProgress = true;
        }
    }
    return result_;
}

std::optional<ChainCopyResult> ChainCopyPass::Deliver(const uint8_t* bytes, uint64_t take, bool shortRead,
                                                      int readError) {
    if (take > 0) {
        const int rc = sink_(bytes, static_cast<size_t>(take));
        if (rc != 0 && rc != -1) return Finish(rc);
        result_.bytesDone += take;
        if (rc == -1) return Finish(0);  // the sink is full: what fits is a success
    }
    // The medium's end is named as such; any other short read is a read fault.
    if (shortRead && !Complete()) return Finish(readError == kErrorHandleEof ? kErrorHandleEof : kErrorReadFault);
    if (!Complete() && progress_) {
        if (const int rc = progress_(static_cast<int>(result_.bytesDone * 100 / size_), 0); rc != 0) {
            result_.error = rc;
            result_.stoppedByProgress = true;
            return result_;
        }
    }
    return std::nullopt;
}

}  // namespace qm
