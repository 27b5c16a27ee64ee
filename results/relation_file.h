// The folder tree of a scan as the relation file ("_Relation") keeps it: one text item per
// parent key, " | <key> - [<recordNo>,<recordNo>,...]", items in ascending key order.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "results/scan_record.h"

namespace qm {

// Parent key -> record numbers of its children in insertion order.
using RelationMap = std::map<ParentKey, std::vector<int32_t>>;

void appendRelationItem(std::string& text, ParentKey key, const std::vector<int32_t>& children);
std::string formatRelations(const RelationMap& relations);

// Reads as much of the text as makes sense: items without a key are skipped, a truncated
// last item keeps the numbers before the cut, numbers that do not fit a record number are
// dropped. A key met twice keeps its later children.
void parseRelations(std::string_view text, RelationMap& out);

}  // namespace qm
