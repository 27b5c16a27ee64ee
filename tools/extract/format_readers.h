// One reader per archive format. Each checks its own signature first and says NotThisFormat
// when the bytes are not its format, so detection and decoding cannot disagree.
#pragma once
#include <string>

#include "tools/extract/archive_entry.h"
#include "tools/extract/byte_source.h"

namespace qm::extract {

enum class ReadResult { NotThisFormat, Listed, Failed };

struct ReadContext {
    ByteSource& source;
    std::string archiveName;  // the file's own name (no folder), UTF-8: names gzip and bzip2 members
    ArchiveListing& listing;
    std::string error;        // why a Failed read failed
};

ReadResult ReadZip(ReadContext& context);
ReadResult ReadTar(ReadContext& context);
ReadResult ReadGzip(ReadContext& context);
ReadResult ReadBzip2(ReadContext& context);
ReadResult ReadIso9660(ReadContext& context);
ReadResult ReadCab(ReadContext& context);
ReadResult ReadRar4(ReadContext& context);
ReadResult ReadRar5(ReadContext& context);
ReadResult ReadSevenZip(ReadContext& context);

// Tar over any forward stream (a file, or the inflated body of a gzip file). Returns the number
// of entries added; `maxEntries` bounds the walk. Notes damage in listing.note.
size_t WalkTar(ByteStream& stream, ArchiveListing& listing, size_t maxEntries);
// Whether a 512-byte block is a tar header with a valid checksum.
bool IsTarHeader(const uint8_t* block);

// The archive's name without one of the given extensions (compared without case), with
// `replacement` appended when one matched, e.g. "a.tgz" -> "a.tar".
std::string NameWithoutExtension(const std::string& name, const char* const* extensions,
                                 const char* const* replacements, size_t count);

}  // namespace qm::extract
