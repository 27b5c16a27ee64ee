// Filing what an NTFS engine found into its result store.
#pragma once
#include <cstdint>
#include <string>

#include "results/scan_record.h"
#include "results/scan_result_store.h"

namespace qm {

// A name as stored in a record (UTF-16) as the UTF-8 text results carry.
std::string ntfsUtf8Name(const std::u16string& name);

// Appends the record (its recordNo set to its place in the store) and files it under its
// parent; folders pass their name so their children can be listed, files pass null.
void storeNtfsRecord(ScanResultStore& store, ScanRecord& record, ParentKey parent, const char* folderName);

// A folder record's fixed fields; the caller adds name, times, size and place.
ScanRecord ntfsFolderRecord(uint16_t sourceTag, int32_t sourceKind, int32_t clusterBytes, uint32_t number);

// A "LostFolderN" under the root standing for a parent record that no longer holds a folder,
// so the files filed under that number stay reachable.
void storeNtfsLostFolder(ScanResultStore& store, uint16_t sourceTag, int32_t sourceKind, int32_t clusterBytes,
                         uint32_t number);

}  // namespace qm
