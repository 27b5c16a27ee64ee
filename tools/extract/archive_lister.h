// Lists an archive of any format this lister reads, recognised by its content.
#pragma once
#include <string>

#include "tools/extract/archive_entry.h"
#include "tools/extract/byte_source.h"

namespace qm::extract {

enum class ListStatus {
    Listed,        // the listing holds what could be read (listing.note tells of damage)
    NotAnArchive,  // no format this lister reads
    Unreadable,    // the format is known but its entries cannot be listed; `error` says why
};

// `archiveName` is the file's own name (UTF-8, no folder): gzip and bzip2 members are named after it.
ListStatus ListArchive(ByteSource& source, const std::string& archiveName, ArchiveListing& listing, std::string& error);

// The printed table: header lines, the dashed rule, one row per entry, a rule and the totals.
std::string FormatListingTable(const ArchiveListing& listing, const std::string& archiveName);

}  // namespace qm::extract
