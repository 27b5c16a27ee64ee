#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"

namespace qm {

using namespace carving;

uint64_t MeasureNextHeader256M(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 256 * kMiB); }
uint64_t MeasureNextHeader128M(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 128 * kMiB); }
uint64_t MeasureNextHeader2G(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 2 * kGiB); }
uint64_t MeasureNextHeader4G(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 4 * kGiB); }
uint64_t MeasureNextHeader6G(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 6 * kGiB); }
uint64_t MeasureNextHeader64G(CarveContext& ctx, ByteView) { return RunNextHeaderRule(ctx, 64 * kGiB); }

}  // namespace qm
