// The up-case table exFAT compares and hashes names through, and the name hash itself.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"

namespace qm {

// The table as stored (UTF-16 units, where 0xFFFF n stands for n units mapped to themselves)
// expanded to one entry per unit, at most 65536; a run past that end is cut.
std::vector<uint16_t> ExpandExFatUpcaseTable(ByteView stored);

// The up-cased unit: through the expanded table when given (units past its end map to
// themselves), else ASCII letters only.
uint16_t ExFatUpcase(uint16_t unit, const std::vector<uint16_t>* upcase);

// The 16-bit rotate-and-add hash of the up-cased name, low byte of each unit first, as the
// stream extension entry stores it.
uint16_t ExFatNameHash(const std::u16string& name, const std::vector<uint16_t>* upcase);

}  // namespace qm
