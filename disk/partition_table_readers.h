// The pieces the partition-table reader is made of: medium reads clamped to the medium, and
// one reader per table kind. Used by partition_table.cpp only.
#pragma once
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"
#include "disk/partition_table.h"

namespace qm {

// Up to `length` bytes at `offset`, never past `mediumBytes`; shorter when the medium ends or
// a read fails (`error` then holds the first error number, else 0).
std::vector<uint8_t> ReadMediumBytes(const MediumReadFn& read, uint64_t mediumBytes, uint64_t offset, size_t length,
                                     int& error);

// Looks for a GPT (512- and 4096-byte sectors) when sector 0 holds a protective entry or
// sector 1 an "EFI PART" signature. True when the medium is taken as GPT, even with no usable
// header (then `out` has no entries and says why); false leaves `out` for the MBR reader (an
// unusable GPT beside an MBR signature and no protective entry), GPT problems already noted.
bool ReadGptTable(const MediumReadFn& read, uint64_t mediumBytes, bool protectiveMbr, bool mbrSignature,
                  PartitionTable& out);

// Reads the four primary entries of `sector0` (which ends in 55 AA) and the logical chain of
// each extended partition.
void ReadMbrTable(const MediumReadFn& read, uint64_t mediumBytes, ByteView sector0, PartitionTable& out);

bool IsExtendedMbrType(uint8_t type);

}  // namespace qm
